/*
 * parse.cpp - a script's tokens from the interpreter's scanner, and its
 * items and their trees from the interpreter's grammar (the second parser,
 * built with QUILL_CHECK; its actions are in actions.cpp). Where the
 * grammar finds a syntax error, the parse starts again at the next ';' or
 * label definition, so one run reports every error. The parser sees every
 * token, unfiltered: a search filters nothing here.
 *
 * Tokens are scanned as the parser asks for them; after an edit the parse
 * starts from where reparse.cpp says, and stops where it says the old parse
 * takes over.
 */
#include "grammar_actions.h"
#include "parse.h"

#include <algorithm>
#include <cassert>
#include <csetjmp>
#include <cstdio>
#include <cstring>

Script *parse_script;
int parse_cursor;         // the next token for the parser

namespace {

int last_delivered = -1, prev_delivered = -1;
int item_start;                // the first token of the item being parsed
int item_nodes;                // the node count when it began
int error_tok = -1;            // where the parser stopped, -2 at the end of input
const char *error_msg;

// The scan, as far as it has got.
bool scanning;                 // the scanner has more to give
uint64_t scan_base;            // where the text it reads starts
int32_t line_base;             // the quill line there, less one
std::size_t line_at;           // the line (from 0) of the token scanned last
int64_t less_now;              // the shift of quill's lines in force there

std::jmp_buf *fault_jump;
ScanFault fault_kind;
const char *fault_text;

[[noreturn]] void on_fault(ScanFault fault, const char *text)
{
    fault_kind = fault;
    fault_text = text;
    std::longjmp(*fault_jump, 1);
}

std::FILE *open_text(const char *data, std::size_t size)
{
#ifdef _WIN32
    std::FILE *f = std::tmpfile();
    if (f) {
        std::fwrite(data, 1, size, f);
        std::rewind(f);
    }
    return f;
#else
    // fmemopen wants at least one byte: nothing is what /dev/null gives
    return size ? fmemopen(const_cast<char *>(data), size, "r") : std::fopen("/dev/null", "r");
#endif
}

// The text as the scanner reads it (a byte-order mark at the start skipped,
// CR LF as LF, nothing from Ctrl-Z on), and where each of its lines starts.
void map_lines(Script &s)
{
    const std::string &t = s.text;
    s.byte_order_mark = t.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::size_t from = s.byte_order_mark ? 3 : 0;
    std::size_t end = t.find('\x1a', from);
    end = end == std::string::npos ? t.size() : end;
    s.scanned.clear();
    s.scanned.reserve(end - from);
    for (std::size_t cr; from < end; from = cr + 1) {   // whole runs between CR LF pairs
        cr = t.find("\r\n", from);
        if (cr == std::string::npos || cr >= end) {
            s.scanned.append(t, from, end - from);
            break;
        }
        s.scanned.append(t, from, cr - from);
    }
    parse_line_starts(s);
}

// A byte of 128 or more, or a NUL, outside texts and comments: one finding
// for each run of them.
void stray_byte(Script &s, int i)
{
    const Tok &t = s.toks[static_cast<std::size_t>(i)];
    if (i > 0) {
        const Tok &prev = s.toks[static_cast<std::size_t>(i - 1)];
        if (t.code < 0 && prev.code < 0 && prev.start + 1 == t.start)
            return;   // the same character
    }
    check_syntax_error(s, i, t.code ? "high byte" : "NUL");
}

// A token scanned at quill's line quill_line: where quill's count departs
// from the text's, the shift is noted.
void add_token(Script &s, int code, int32_t value, uint64_t start, uint32_t length,
               int32_t quill_line)
{
    s.toks.push_back(Tok{static_cast<uint32_t>(start), value, static_cast<int16_t>(code),
                         static_cast<uint16_t>(length)});
    while (line_at + 1 < s.lines.size() && s.lines[line_at + 1] <= start)
        line_at++;
    int64_t less = static_cast<int64_t>(line_at + 1) - quill_line;
    if (less != less_now) {
        s.shifts.push_back(LineShift{static_cast<int>(s.toks.size()) - 1, less});
        less_now = less;
    }
}

// One more token; false once the end of input is in.
bool scan_one(Script &s)
{
    tokens_forget();   // the stream keeps no more than the token being read
    const Token *t = tokens_next();
    if (!t) {
        scanning = false;
        return false;
    }
    uint64_t start;
    uint32_t length;
    tokens_last_span(&start, &length);
    int code = t->kind == K_END ? 0 : t->kind == K_CHAR ? t->value : t->kind + 256;
    // a text's value names it in the scanner's store, which the next scan
    // fills again: nothing here reads it
    int32_t value = code == STRING ? 0 : t->value;
    add_token(s, code, value, scan_base + start, length, line_base + line_no);
    if (t->kind == K_END) {
        scanning = false;
        return false;
    }
    if (code <= 0)
        stray_byte(s, static_cast<int>(s.toks.size()) - 1);
    return true;
}

// Where the parse goes on after an error at tok: after the next ';', or at
// the next label definition.
int restart_after(Script &s, int tok)
{
    for (int i = tok;; i++) {
        while (i + 1 >= static_cast<int>(s.toks.size()) && scanning)
            scan_one(s);
        if (i >= static_cast<int>(s.toks.size()))
            return i;
        int code = s.toks[static_cast<std::size_t>(i)].code;
        if (code == NL)
            return i + 1;
        if (code == LABEL && i > item_start && i + 1 < static_cast<int>(s.toks.size()) &&
            s.toks[static_cast<std::size_t>(i + 1)].code == COL)
            return i;
        if (code == 0 && i + 1 == static_cast<int>(s.toks.size()))
            return i;
    }
}

void parse_items(Script &s)
{
    parse_script = &s;
    last_delivered = prev_delivered = parse_cursor - 1;
    for (;;) {
        error_tok = -1;
        item_nodes = static_cast<int>(s.nodes.size());
        if (yyparse() == 0)
            return;
        int at_tok = error_tok == -2 ? static_cast<int>(s.toks.size()) - 1 : std::max(error_tok, 0);
        bool stray = false;   // a byte that ends quill's script: reported as such
        for (int i = item_start; i <= at_tok; i++)
            stray |= s.toks[static_cast<std::size_t>(i)].code < 0 ||
                     (s.toks[static_cast<std::size_t>(i)].code == 0 &&
                      i + 1 < static_cast<int>(s.toks.size()));
        if (!stray)
            check_syntax_error(s, at_tok, error_msg);
        if (error_tok == -2) {   // the items still cover every token
            if (item_start < at_tok)
                s.items.push_back(Item{ItemKind::BROKEN, item_start, at_tok - 1, -1, item_nodes});
            return;
        }
        int restart = std::max(restart_after(s, at_tok), item_start + 1);
        for (int i = at_tok + 1; i < restart; i++)   // a quote left over where the parse skips
            if (s.toks[static_cast<std::size_t>(i)].code == '"' || s.toks[static_cast<std::size_t>(i)].code == '\'')
                check_quote_left(s, i);
        s.items.push_back(Item{ItemKind::BROKEN, item_start, restart - 1, -1, item_nodes});
        if (restart >= static_cast<int>(s.toks.size()))
            return;
        parse_cursor = item_start = restart;   // where the old parse takes over, if it does
        if (reparse_meets(s, restart))
            return;
        last_delivered = prev_delivered = restart - 1;
    }
}

// Scans and parses from token first on; false after a fault of the scanner.
bool run(Script &s, std::FILE *f)
{
    std::jmp_buf here;
    fault_jump = &here;
    tokens_fault = on_fault;
    yyin = f;
    tokens_reset();
    scanning = true;
    if (setjmp(here)) {
        tokens_fault = nullptr;
        // the token that failed starts where the last match ended
        add_token(s, 0, 0, scan_base + tokens_matched(), 0, line_base + line_no);
        check_syntax_error(s, static_cast<int>(s.toks.size()) - 1,
                           fault_kind == ScanFault::FLEX ? fault_text : "cannot read");
        return false;   // what follows was never scanned
    }
    parse_items(s);
    tokens_fault = nullptr;
    return true;
}

void begin(Script &s, std::size_t from_tok)
{
    s.toks.resize(from_tok);
    parse_cursor = item_start = static_cast<int>(from_tok);
    line_at = static_cast<std::size_t>(std::upper_bound(s.lines.begin(), s.lines.end(), scan_base) -
                                       s.lines.begin()) - 1;
    less_now = parse_less_at(s.shifts, static_cast<int>(from_tok));
}

}  // namespace

/* ---- for the parse after an edit ---- */

void parse_line_starts(Script &s)
{
    s.lines.assign(1, 0);
    const char *base = s.scanned.data(), *p = base, *stop = base + s.scanned.size();
    while ((p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)))))
        s.lines.push_back(static_cast<uint64_t>(++p - base));
}

// An item at the end of the list; a run joins the run before it.
void parse_add_item(Script &s, const Item &item)
{
    if (item.kind == ItemKind::EMPTY && !s.items.empty() && s.items.back().kind == ItemKind::EMPTY &&
        s.items.back().last + 1 == item.first)
        s.items.back().last = item.last;
    else
        s.items.push_back(item);
}

int parse_from(Script &s, uint64_t from, int32_t line)
{
    scan_base = from;
    line_base = line;
    std::FILE *f = open_text(s.scanned.data() + from, s.scanned.size() - from);
    if (!f)
        return -1;
    begin(s, s.toks.size());
    bool whole = run(s, f);
    std::fclose(f);
    return whole;
}

// The shift in force at token tok.
int64_t parse_less_at(const std::vector<LineShift> &shifts, int tok)
{
    auto after = std::upper_bound(shifts.begin(), shifts.end(), tok,
                                  [](int t, const LineShift &l) { return t < l.tok; });
    return after == shifts.begin() ? 0 : (after - 1)->less;
}

/* ---- for the actions ---- */

int parse_rule_last(void)
{
    return yychar == YYEMPTY ? last_delivered : prev_delivered;
}

int parse_back(int tok, int n)
{
    const Chunks<Tok> &toks = parse_script->toks;
    while (n > 0 && tok > 0)
        n -= toks[static_cast<std::size_t>(--tok)].code > 0;   // NULs and high bytes never reach it
    return tok;
}

void parse_item(ItemKind kind, int root)
{
    int last = parse_rule_last();
    if (kind == ItemKind::DEFINITION)
        kind = ItemKind::EMPTY;   // nothing runs there either: one item for a run of them
    parse_add_item(*parse_script, Item{kind, item_start, last, kind == ItemKind::EMPTY ? -1 : root, item_nodes});
    item_start = last + 1;
    item_nodes = static_cast<int>(parse_script->nodes.size());
}

int yylex(void)
{
    Script &s = *parse_script;
    for (;;) {
        while (parse_cursor >= static_cast<int>(s.toks.size()))
            if (!scanning || !scan_one(s))
                if (parse_cursor >= static_cast<int>(s.toks.size()))
                    return 0;
        if (parse_cursor == item_start && reparse_meets(s, parse_cursor))
            return 0;   // the rest is the old parse's
        int i = parse_cursor++;
        const Tok &t = s.toks[static_cast<std::size_t>(i)];
        if (t.code < 0 || (t.code == 0 && (scanning || i + 1 < static_cast<int>(s.toks.size()))))
            continue;   // a NUL or a byte of 128 or more: reported, and read past
        prev_delivered = last_delivered;
        last_delivered = i;
        yylval = t.code == STRING ? i : t.value;
        return t.code;
    }
}

void diag_syntax(const char *msg)
{
    error_msg = msg;
    error_tok = yychar == YYEOF ? -2 : last_delivered;
}

const char *diag_parser_text(const char *bison_text)
{
    return std::strcmp(bison_text, "memory exhausted") == 0 ? "parser stack overflow" : bison_text;
}

/* ---- places and findings ---- */

int check_quill_line(const Script &s, int tok)
{
    uint64_t start = s.toks[static_cast<std::size_t>(tok)].start;
    auto line = std::upper_bound(s.lines.begin(), s.lines.end(), start) - s.lines.begin();
    return static_cast<int32_t>(static_cast<int64_t>(line) - parse_less_at(s.shifts, tok));
}

Place check_place(const Script &s, uint64_t offset, int quill_line)
{
    auto next = std::upper_bound(s.lines.begin(), s.lines.end(), offset);
    int line = static_cast<int>(next - s.lines.begin());
    int column = static_cast<int>(offset - s.lines[static_cast<std::size_t>(line - 1)]) + 1;
    if (line == 1 && s.byte_order_mark)
        column += 3;
    return Place{line, column, quill_line};
}

void check_report(Script &s, int first, int last, Code code, const std::string &message)
{
    check_report(s, first, last, code, check_code(code).severity, message);
}

void check_report(Script &s, int first, int last, Code code, Severity severity,
                  const std::string &message)
{
    assert(severity == check_code(code).severity || severity == check_code(code).milder);
    int n = static_cast<int>(s.toks.size());
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, first, n - 1);
    const Tok &a = s.toks[static_cast<std::size_t>(first)];
    const Tok &b = s.toks[static_cast<std::size_t>(last)];
    s.findings.push_back(Finding{check_place(s, a.start, check_quill_line(s, first)),
                                 check_place(s, b.start + b.length, check_quill_line(s, last)),
                                 a.start, b.start + b.length, severity, code, message});
}

/* ---- whole scripts, and edits ---- */

void check_parse(Script &s)
{
    map_lines(s);
    reparse_forget();
    s.shifts.clear();
    if (s.scanned.size() > CHECK_MAX_TEXT) {
        s.toks.push_back(Tok{0, 0, 0, 0});
        return check_report(s, 0, 0, Code::STOPS_READING, "too large to check: quill-check reads "
                                                          "scripts of up to 2 GiB");
    }
    scan_base = line_base = 0;
    std::FILE *f = open_text(s.text.data(), s.text.size());   // as quill reads it: CR LF, Ctrl-Z
    if (!f) {
        s.toks.push_back(Tok{0, 0, 0, 0});
        return;
    }
    begin(s, 0);
    run(s, f);
    std::fclose(f);
}
