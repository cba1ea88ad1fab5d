/*
 * pipeline.cpp - a script checked: the parse, whole or around an edit, and
 * then the analyses, the findings in order. The command line and the
 * language server both check scripts through it.
 */
#include "check.h"

Flow check_analyse(Script &s)
{
    Flow flow = check_flow(s);
    check_values(s, flow);
    check_sort(s.findings);
    return flow;
}

Flow check_script(Script &s)
{
    check_parse(s);
    return check_analyse(s);
}

Flow check_script_edit(Script &s, Script &old, uint64_t at, uint64_t removed, const std::string &added)
{
    check_reparse(s, old, at, removed, added);
    return check_analyse(s);
}
