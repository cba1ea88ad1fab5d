/*
 * parse.cpp - a script's tokens from the interpreter's scanner, and its
 * items and their trees from the interpreter's grammar (the second parser,
 * built with QUILL_CHECK; its actions are in actions.cpp). Where the
 * grammar finds a syntax error, the parse starts again at the next ';' or
 * label definition, so one run reports every error. The parser sees every
 * token, unfiltered: a search filters nothing here.
 *
 * Tokens are scanned as the parser asks for them. After an edit, the parse
 * starts again from an item before it and stops where the edited text has
 * an item start that the old text had too: what follows is the old parse,
 * moved along (the scanner and the parser both start afresh at an item).
 */
#include "check.h"
#include "grammar_actions.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

Script *parse_script;

namespace {

int cursor;                    // the next token for the parser
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

// The shift in force at token tok.
int64_t less_at(const std::vector<LineShift> &shifts, int tok)
{
    auto after = std::upper_bound(shifts.begin(), shifts.end(), tok,
                                  [](int t, const LineShift &l) { return t < l.tok; });
    return after == shifts.begin() ? 0 : (after - 1)->less;
}

// After an edit: the old parse from the restart on, taken from the old
// script (its arrays' tails, indices kept), and where the two parses meet.
struct Old {
    const Script *script = nullptr;   // its lines and shifts
    int first_tok = 0;                // old tokens before it are the new script's
    std::size_t first_item = 0;
    Chunks<Tok> toks;
    Chunks<Item> items;
    Chunks<Node> nodes;
    std::vector<Finding> findings;    // its syntax findings from the restart on
    uint64_t edit_end = 0;     // the edit's end in the new text
    int64_t shift = 0;         // new offset less old, past the edit
    int met_tok = -1;          // the old token where the parses meet, once they do
    std::size_t met_item = 0;  // the old item that holds it

    const Tok &tok(const Script &now, int k) const
    {
        return k < first_tok ? now.toks[static_cast<std::size_t>(k)] : toks[static_cast<std::size_t>(k)];
    }
    // quill's line at old token k
    int quill_line(const Script &now, int k) const
    {
        auto line = std::upper_bound(script->lines.begin(), script->lines.end(), tok(now, k).start) -
                    script->lines.begin();
        return static_cast<int32_t>(static_cast<int64_t>(line) - less_at(script->shifts, k));
    }
} old;

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
void line_starts(Script &s);

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
    line_starts(s);
}

void line_starts(Script &s)
{
    s.lines.assign(1, 0);
    const char *base = s.scanned.data(), *p = base, *stop = base + s.scanned.size();
    while ((p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)))))
        s.lines.push_back(static_cast<uint64_t>(++p - base));
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

// Whether token k starts an item of a run (after a ';' or ':' in it).
bool starts_in_run(const Script &s, const Item &run, int k)
{
    int before = k > run.first ? s.toks[static_cast<std::size_t>(k - 1)].code : 0;
    return run.kind == ItemKind::EMPTY && k > run.first && k <= run.last && (before == NL || before == COL);
}

// At an item start past the edit, where the old text had an item start too
// (one of a run included).
bool meets_old(const Script &s, int tok)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    if (!old.script || t.start < old.edit_end)
        return false;
    uint64_t at = static_cast<uint64_t>(static_cast<int64_t>(t.start) - old.shift);
    auto first = old.items.iter(old.first_item);
    auto it = std::upper_bound(first, old.items.end(), at, [&](uint64_t off, const Item &i) {
        return off < old.tok(s, i.first).start;
    });
    if (it == first)
        return false;
    const Item &item = *--it;
    int k = item.first;
    if (old.tok(s, k).start != at) {   // inside a run: one of its items may start there
        int lo = std::max(k, old.first_tok), hi = item.last + 1;
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            (old.toks[static_cast<std::size_t>(mid)].start < at ? lo = mid + 1 : hi = mid);
        }
        k = lo;
        int before = k > item.first ? old.tok(s, k - 1).code : 0;
        if (k > item.last || old.toks[static_cast<std::size_t>(k)].start != at ||
            item.kind != ItemKind::EMPTY || (before != NL && before != COL))
            return false;
    }
    old.met_tok = k;
    old.met_item = static_cast<std::size_t>(it - old.items.iter(0));
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
    last_delivered = prev_delivered = cursor - 1;
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
        cursor = item_start = restart;   // where the old parse takes over, if it does
        if (meets_old(s, restart))
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
    cursor = item_start = static_cast<int>(from_tok);
    old.met_tok = -1;
    line_at = static_cast<std::size_t>(std::upper_bound(s.lines.begin(), s.lines.end(), scan_base) -
                                       s.lines.begin()) - 1;
    less_now = less_at(s.shifts, static_cast<int>(from_tok));
}

// An item at the end of the list; a run joins the run before it.
void add_item(Script &s, const Item &item)
{
    if (item.kind == ItemKind::EMPTY && !s.items.empty() && s.items.back().kind == ItemKind::EMPTY &&
        s.items.back().last + 1 == item.first)
        s.items.back().last = item.last;
    else
        s.items.push_back(item);
}

// The old parse from the meeting point on, moved to where the new one ends.
void join_old(Script &s)
{
    if (old.met_tok < 0)
        return;
    const Script &was = *old.script;
    // quill's lines and the text's past the meeting move by their own amounts
    int64_t lines = check_quill_line(s, cursor) - old.quill_line(s, old.met_tok);
    int64_t less = less_at(s.shifts, cursor), moved = less - less_at(was.shifts, old.met_tok);
    int tok_shift = cursor - old.met_tok;
    uint64_t met_at = old.tok(s, old.met_tok).start;
    const Item met_item = old.items[old.met_item];
    s.toks.resize(static_cast<std::size_t>(cursor));
    while (!s.shifts.empty() && s.shifts.back().tok >= cursor)
        s.shifts.pop_back();
    if (less_at(s.shifts, cursor) != less)
        s.shifts.push_back(LineShift{cursor, less});
    for (const LineShift &l : was.shifts)
        if (l.tok > old.met_tok)
            s.shifts.push_back(LineShift{l.tok + tok_shift, l.less + moved});
    // the old arrays' chunks are freed as they are read, so the two parses
    // never take twice the room
    for (std::size_t i = static_cast<std::size_t>(old.met_tok); i < old.toks.size(); i++) {
        Tok t = old.toks[i];
        t.start = static_cast<uint32_t>(static_cast<int64_t>(t.start) + old.shift);
        s.toks.push_back(t);
        old.toks.drop_before(i);
    }
    int node_from = met_item.first_node;
    int node_shift = static_cast<int>(s.nodes.size()) - node_from;
    for (std::size_t k = old.met_item; k < old.items.size(); k++) {
        Item i = old.items[k];
        i.first = std::max(i.first, old.met_tok) + tok_shift;   // the rest of a run met inside
        i.last += tok_shift;
        i.first_node += node_shift;
        if (i.kind == ItemKind::STATEMENT)
            i.root += node_shift;
        add_item(s, i);
        old.items.drop_before(k);
    }
    for (std::size_t n = static_cast<std::size_t>(node_from); n < old.nodes.size(); n++) {
        Node x = old.nodes[n];
        x.kid = x.kid < 0 ? x.kid : x.kid + node_shift;
        x.first += tok_shift;
        x.last += tok_shift;
        s.nodes.push_back(x);
        old.nodes.drop_before(n);
    }
    std::size_t found_again = s.findings.size();
    bool met_broken = met_item.kind == ItemKind::BROKEN;
    for (const Finding &f : old.findings) {
        if (f.start < met_at)
            continue;
        Finding g = f;
        g.start = static_cast<uint64_t>(static_cast<int64_t>(f.start) + old.shift);
        g.stop = static_cast<uint64_t>(static_cast<int64_t>(f.stop) + old.shift);
        // a syntax error at the very token where the parses meet belongs to the
        // item before, unless the item there is the error's own: the new parse
        // has said what there is to say about it
        if (f.start == met_at && (!met_broken || std::any_of(
                s.findings.begin(), s.findings.begin() + static_cast<long>(found_again),
                [&](const Finding &h) { return h.code == g.code && h.start == g.start; })))
            continue;
        g.at = check_place(s, g.start, static_cast<int32_t>(f.at.quill_line + lines));
        g.end = check_place(s, g.stop, static_cast<int32_t>(f.end.quill_line + lines));
        if (g.code == 1 && g.message != CHECK_NO_LAST_SEMICOLON) {
            // its hint reads the tokens and the text around it, which the edit may
            // change; it ends at the token where the parse stopped
            auto at = std::lower_bound(s.toks.begin(), s.toks.end(), g.stop,
                                       [](const Tok &t, uint64_t o) { return t.start < o; });
            g.message = check_syntax_message(s, static_cast<int>(at - s.toks.begin()) - 1);
        }
        s.findings.push_back(g);
    }
}

// A quote the scanner found no end for: the whole rest decided that.
bool opens_quote(const Script &s, const Item &item)
{
    for (int t = item.first; t <= item.last; t++) {
        int code = s.toks[static_cast<std::size_t>(t)].code;
        if (code == '"' || code == '\'')
            return true;
    }
    return false;
}

// In a run, the last of its items that starts at or before offset at: its first token.
int last_start_in_run(const Script &s, const Item &run, uint64_t at)
{
    if (run.kind != ItemKind::EMPTY)
        return run.first;
    auto past = std::upper_bound(s.toks.begin() + run.first, s.toks.begin() + run.last + 1, at,
                                 [](uint64_t off, const Tok &t) { return off < t.start; });
    for (int k = static_cast<int>(past - s.toks.begin()) - 1; k > run.first; k--)
        if (starts_in_run(s, run, k))
            return k;
    return run.first;
}

// No byte-order mark, CR or Ctrl-Z: the scanner reads the text as it is.
bool as_scanned(const std::string &t)
{
    return t.compare(0, 3, "\xEF\xBB\xBF") != 0 && !std::memchr(t.data(), '\r', t.size()) &&
           !std::memchr(t.data(), '\x1a', t.size());
}

}  // namespace

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
    add_item(*parse_script, Item{kind, item_start, last, kind == ItemKind::EMPTY ? -1 : root, item_nodes});
    item_start = last + 1;
    item_nodes = static_cast<int>(parse_script->nodes.size());
}

int yylex(void)
{
    Script &s = *parse_script;
    for (;;) {
        while (cursor >= static_cast<int>(s.toks.size()))
            if (!scanning || !scan_one(s))
                if (cursor >= static_cast<int>(s.toks.size()))
                    return 0;
        if (cursor == item_start && meets_old(s, cursor))
            return 0;   // the rest is the old parse's
        int i = cursor++;
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
    return static_cast<int32_t>(static_cast<int64_t>(line) - less_at(s.shifts, tok));
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

void check_report(Script &s, int first, int last, Severity severity, int code,
                  const std::string &message)
{
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
    old = Old();
    scan_base = 0;
    line_base = 0;
    s.shifts.clear();
    s.toks.reserve(s.scanned.size() / 2 + 16);   // a token takes two bytes or more, but for runs of ";"
    s.nodes.reserve(s.scanned.size() / 3 + 16);
    if (s.scanned.size() > CHECK_MAX_TEXT) {
        s.toks.push_back(Tok{0, 0, 0, 0});
        return check_report(s, 0, 0, Severity::ERROR, 6, "too large to check: quill-check reads "
                                                         "scripts of up to 4 GiB");
    }
    std::FILE *f = open_text(s.text.data(), s.text.size());
    if (!f) {
        s.toks.push_back(Tok{0, 0, 0, 0});
        return;
    }
    begin(s, 0);
    run(s, f);
    std::fclose(f);
}

void check_reparse(Script &s, Script &was, uint64_t at, uint64_t removed, const std::string &added)
{
    // only where the text as scanned is the text itself do offsets carry over
    bool plain = as_scanned(was.text);
    s.text = std::move(was.text);   // was is spent: its text and arrays become the new one's
    s.text.replace(at, removed, added);
    plain = plain && as_scanned(s.text);   // an edit may join CR and LF, or make a mark
    if (!plain || was.items.empty() || s.text.size() > CHECK_MAX_TEXT)
        return check_parse(s);
    s.scanned = std::move(was.scanned);
    s.scanned.replace(at, removed, added);
    s.byte_order_mark = false;
    line_starts(s);
    // an item ended by ';' or ':' before the edit: the parse starts afresh after it
    std::size_t r = std::upper_bound(was.items.begin(), was.items.end(), at,
                                     [&](uint64_t off, const Item &i) {
                                         return off < was.toks[static_cast<std::size_t>(i.first)].start;
                                     }) - was.items.begin();
    r = r > 0 ? r - 1 : 0;
    // a quote left open before it may find its closing quote in the edit
    for (std::size_t i = 0; i < was.items.size() && i < r; i++)
        if (was.items[i].kind == ItemKind::BROKEN && opens_quote(was, was.items[i])) {
            r = i;
            break;
        }
    // (a syntax error's item does not count: where the parse went on after it
    // depends on what came before)
    auto whole = [&](std::size_t i) {
        int code = was.toks[static_cast<std::size_t>(was.items[i].last)].code;
        return was.items[i].kind != ItemKind::BROKEN && (code == NL || code == COL);
    };
    std::size_t held = r;   // the item that holds the edit
    while (r > 0 && !whole(r - 1))
        r--;
    int first = r < was.items.size() ? was.items[r].first : 0;
    if (r == held && r < was.items.size())
        first = last_start_in_run(was, was.items[r], at);
    // from the very start when the edit may lie before the first item's token
    uint64_t from = r == 0 && first == was.items[0].first ? 0 : was.toks[static_cast<std::size_t>(first)].start;
    if (s.scanned.compare(from, 3, "\xEF\xBB\xBF") == 0)
        return check_parse(s);   // the scanner would skip it as a first line's mark
    old = Old();
    old.script = &was;
    old.first_tok = first;
    old.first_item = r;
    old.edit_end = at + added.size();
    old.shift = static_cast<int64_t>(added.size()) - static_cast<int64_t>(removed);
    int node_from = r < was.items.size() ? was.items[r].first_node : static_cast<int>(was.nodes.size());
    Item held_item = r < was.items.size() ? was.items[r] : Item{};
    // the new script keeps what comes before the restart; the rest is the old parse's
    s.toks = std::move(was.toks);
    old.toks = s.toks.split(static_cast<std::size_t>(first));
    s.items = std::move(was.items);
    old.items = s.items.split(r);
    s.nodes = std::move(was.nodes);
    old.nodes = s.nodes.split(static_cast<std::size_t>(node_from));
    s.shifts.assign(was.shifts.begin(),
                    std::lower_bound(was.shifts.begin(), was.shifts.end(), first,
                                     [](const LineShift &l, int t) { return l.tok < t; }));
    if (r < old.items.size() && first > held_item.first)   // the part of a run before the edit
        s.items.push_back(Item{ItemKind::EMPTY, held_item.first, first - 1, -1, node_from});
    s.findings.clear();
    for (const Finding &f : was.findings)   // the parse's own (syntax, bytes); the rest comes again
        if (f.code < 10)
            (f.start < from ? s.findings : old.findings).push_back(f);
    scan_base = from;
    line_base = from == 0 ? 0 : old.quill_line(s, first) - 1;
    std::FILE *f = open_text(s.scanned.data() + from, s.scanned.size() - from);
    if (f) {
        begin(s, s.toks.size());
        if (run(s, f))
            join_old(s);
        std::fclose(f);
    } else {
        check_parse(s);
    }
    old = Old();
}
