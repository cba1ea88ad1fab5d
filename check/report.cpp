/*
 * report.cpp - findings in order, and the two ways they are written: one
 * line each as compilers write them, or a JSON array.
 */
#include "check.h"

#include <algorithm>
#include <cstring>

static const char *const SEVERITIES[] = {"error", "warning", "info", "style"};   // ORDER Severity

const char *check_severity_name(Severity s)
{
    return SEVERITIES[static_cast<int>(s)];
}

bool check_severity_parse(const char *name, Severity *out)
{
    for (int i = 0; i < 4; i++)
        if (std::strcmp(name, SEVERITIES[i]) == 0) {
            *out = static_cast<Severity>(i);
            return true;
        }
    return false;
}

std::string check_code_name(int code)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "VT%03d", code);
    return buf;
}

void check_sort(std::vector<Finding> &findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        if (a.at.line != b.at.line)
            return a.at.line < b.at.line;
        if (a.at.column != b.at.column)
            return a.at.column < b.at.column;
        return a.code < b.code;
    });
}

std::string check_gcc_line(const std::string &file, const Finding &f, bool quill_lines)
{
    std::string line = file + ":" + std::to_string(f.at.line) + ":" + std::to_string(f.at.column) +
                       ": " + check_severity_name(f.severity) + ": " + f.message + " [" +
                       check_code_name(f.code) + "]";
    if (quill_lines)   // a finding over lines of its own names them all
        line += " (quill: line " + std::to_string(f.at.quill_line) +
                (f.end.quill_line != f.at.quill_line ? "-" + std::to_string(f.end.quill_line) : "") +
                ")";
    return line;
}

nlohmann::json check_json(const std::string &file, const Finding &f, bool quill_lines)
{
    nlohmann::json j = {{"file", file},
                        {"line", f.at.line},
                        {"column", f.at.column},
                        {"endLine", f.end.line},
                        {"endColumn", f.end.column},
                        {"severity", check_severity_name(f.severity)},
                        {"code", check_code_name(f.code)},
                        {"message", f.message}};
    if (quill_lines) {
        j["quillLine"] = f.at.quill_line;
        j["quillEndLine"] = f.end.quill_line;
    }
    return j;
}

static Flow analyse(Script &s)
{
    Flow flow = check_flow(s);
    check_values(s, flow);
    check_sort(s.findings);
    return flow;
}

Flow check_script(Script &s)
{
    check_parse(s);
    return analyse(s);
}

Flow check_script_edit(Script &s, Script &old, uint64_t at, uint64_t removed, const std::string &added)
{
    check_reparse(s, old, at, removed, added);
    return analyse(s);
}
