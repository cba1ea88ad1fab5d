/*
 * parse.cpp - a script's items and their trees from the interpreter's
 * grammar (the second parser, built with QUILL_CHECK: its actions are in
 * actions.cpp, its tokens and items in items.cpp). Where the grammar finds
 * a syntax error, the parse starts again at the next ';' or label
 * definition, so one run reports every error.
 *
 * After an edit the parse starts from where reparse.cpp says, and stops
 * where the old parse takes over.
 */
#include "grammar_actions.h"
#include "parse.h"

#include <algorithm>
#include <csetjmp>

namespace {

std::jmp_buf *fault_jump;
ScanFault fault_kind;
const char *fault_text;

[[noreturn]] void on_fault(ScanFault fault, const char *text)
{
    fault_kind = fault;
    fault_text = text;
    std::longjmp(*fault_jump, 1);
}

// Where the parse goes on after an error at tok: after the next ';', or at
// the next label definition.
int restart_after(Script &s, int tok)
{
    for (int i = tok;; i++) {
        while (i + 1 >= static_cast<int>(s.toks.size()) && scan_more)
            scan_one(s);
        if (i >= static_cast<int>(s.toks.size()))
            return i;
        int code = s.toks[static_cast<std::size_t>(i)].code;
        if (code == NL)
            return i + 1;
        if (code == LABEL && i > items_first && i + 1 < static_cast<int>(s.toks.size()) &&
            s.toks[static_cast<std::size_t>(i + 1)].code == COL)
            return i;
        if (code == 0 && i + 1 == static_cast<int>(s.toks.size()))
            return i;
    }
}

void parse_items(Script &s, int first)
{
    items_start(s, first);
    for (;;) {
        if (yyparse() == 0)
            return;
        int error_tok = items_error_tok;
        int at_tok = error_tok == -2 ? static_cast<int>(s.toks.size()) - 1 : std::max(error_tok, 0);
        bool stray = false;   // a byte that ends quill's script: reported as such
        for (int i = items_first; i <= at_tok; i++)
            stray |= s.toks[static_cast<std::size_t>(i)].code < 0 ||
                     (s.toks[static_cast<std::size_t>(i)].code == 0 &&
                      i + 1 < static_cast<int>(s.toks.size()));
        if (!stray)
            check_syntax_error(s, at_tok, items_error_msg);
        if (error_tok == -2) {   // the items still cover every token
            if (items_first < at_tok)
                s.items.push_back(Item{ItemKind::BROKEN, items_first, at_tok - 1, -1, items_nodes});
            return;
        }
        int restart = std::max(restart_after(s, at_tok), items_first + 1);
        for (int i = at_tok + 1; i < restart; i++)   // a quote left over where the parse skips
            if (s.toks[static_cast<std::size_t>(i)].code == '"' || s.toks[static_cast<std::size_t>(i)].code == '\'')
                check_quote_left(s, i);
        s.items.push_back(Item{ItemKind::BROKEN, items_first, restart - 1, -1, items_nodes});
        if (restart >= static_cast<int>(s.toks.size()))
            return;
        items_start(s, restart);   // where the old parse takes over, if it does
        if (items_meets && items_meets(s, restart))
            return;
    }
}

// Scans and parses f, the text from offset base on (quill's line there:
// line + 1), from token first on; false after a fault of the scanner.
bool run(Script &s, std::FILE *f, uint64_t base, int32_t line, std::size_t first)
{
    std::jmp_buf here;
    fault_jump = &here;
    tokens_fault = on_fault;
    scan_start(s, f, base, line, first);
    if (setjmp(here)) {
        tokens_fault = nullptr;
        scan_failed(s, fault_kind == ScanFault::FLEX ? fault_text : "cannot read");
        return false;   // what follows was never scanned
    }
    parse_items(s, static_cast<int>(first));
    tokens_fault = nullptr;
    return true;
}

}  // namespace

int parse_from(Script &s, uint64_t from, int32_t line, bool (*meets)(const Script &s, int tok))
{
    std::FILE *f = scan_open(s.scanned.data() + from, s.scanned.size() - from);
    if (!f)
        return -1;
    items_meets = meets;
    bool whole = run(s, f, from, line, s.toks.size());
    std::fclose(f);
    return whole;
}

void check_parse(Script &s)
{
    scan_text(s);
    s.shifts.clear();
    if (s.scanned.size() > CHECK_MAX_TEXT) {
        s.toks.push_back(Tok{0, 0, 0, 0});
        return check_report(s, 0, 0, Code::STOPS_READING, "too large to check: quill-check reads "
                                                          "scripts of up to 2 GiB");
    }
    std::FILE *f = scan_open(s.text.data(), s.text.size());   // as quill reads it: CR LF, Ctrl-Z
    if (!f) {
        s.toks.push_back(Tok{0, 0, 0, 0});
        return;
    }
    items_meets = nullptr;
    run(s, f, 0, 0, 0);
    std::fclose(f);
}
