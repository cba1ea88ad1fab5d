/*
 * parse.cpp - a script's tokens from the interpreter's scanner, and its
 * items and their trees from the interpreter's grammar (the second parser,
 * built with QUILL_CHECK). Where the grammar finds a syntax error, the
 * parse starts again at the next ';' or label definition, so one run
 * reports every error. Every token the parser sees comes from the same
 * token stream quill runs on, unfiltered: a search filters nothing here.
 */
#include "check.h"
#include "grammar_actions.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

Script *cur;                   // the script being parsed
int cursor;                    // the next token for the parser
int last_delivered = -1, prev_delivered = -1;
int item_start;                // the first token of the item being parsed
int error_tok = -1;            // where the parser stopped, -2 at the end of input
const char *error_msg;

std::jmp_buf *fault_jump;
ScanFault fault_kind;
const char *fault_text;

[[noreturn]] void on_fault(ScanFault fault, const char *text)
{
    fault_kind = fault;
    fault_text = text;
    std::longjmp(*fault_jump, 1);
}

std::FILE *open_text(const std::string &text)
{
#ifdef _WIN32
    std::FILE *f = std::tmpfile();
    if (f) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::rewind(f);
    }
    return f;
#else
    static char none;   // fmemopen wants at least one byte
    return text.empty() ? fmemopen(&none, 1, "r") : fmemopen(const_cast<char *>(text.data()),
                                                              text.size(), "r");
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
    s.lines.assign(1, 0);
    const char *base = s.scanned.data(), *p = base, *stop = base + s.scanned.size();
    while ((p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)))))
        s.lines.push_back(static_cast<uint64_t>(++p - base));
}

// Every token, as the stream gives them; false after a fault of the scanner.
bool scan(Script &s, std::FILE *f)
{
    std::jmp_buf here;
    fault_jump = &here;
    tokens_fault = on_fault;
    yyin = f;
    tokens_reset();
    if (setjmp(here))
        return false;
    for (;;) {
        const Token *t = tokens_next();
        if (!t)
            return true;
        uint64_t start;
        uint32_t length;
        tokens_last_span(&start, &length);
        int code = t->kind == K_END ? 0 : t->kind == K_CHAR ? t->value : t->kind + 256;
        s.toks.push_back(Tok{code, t->value, start, length, line_no});
        if (t->kind == K_END)
            return true;
    }
}

int rule_last(void)
{
    return yychar == YYEMPTY ? last_delivered : prev_delivered;
}

int32_t node(Rule rule, int32_t value, int k0, int k1, int first, int last)
{
    cur->nodes.push_back(Node{rule, value, {k0, k1}, first, last});
    return static_cast<int32_t>(cur->nodes.size()) - 1;
}

const Node &at(int32_t n)
{
    return cur->nodes[static_cast<std::size_t>(n)];
}

// A node whose first token is its operand's, less the tokens before it.
int32_t prefix(Rule rule, int before, int32_t kid, int32_t value = 0)
{
    return node(rule, value, kid, -1, at(kid).first - before, at(kid).last);
}

void item(ItemKind kind, int root)
{
    int last = rule_last();
    cur->items.push_back(Item{kind, item_start, last, root});
    item_start = last + 1;
}

Rule rule_of(int op)
{
    switch (op) {   // ORDER RULES
    case OPADD: return R_ADD;
    case OPSUB: return R_SUB;
    case OPMUL: return R_MUL;
    case OPDIV: return R_DIV;
    case OPMOD: return R_MOD;
    case OPAND: return R_AND;
    case OPOR:  return R_OR;
    case OPGT:  return R_GT;
    case OPLT:  return R_LT;
    case OPGE:  return R_GE;
    case OPLE:  return R_LE;
    case OPEQ:  return R_EQ;
    default:    return R_NE;
    }
}

}  // namespace

/* ---- the grammar's actions ---- */

int yylex(void)
{
    for (;;) {
        if (cursor >= static_cast<int>(cur->toks.size()))
            return 0;
        int i = cursor++;
        const Tok &t = cur->toks[static_cast<std::size_t>(i)];
        if (t.code < 0 || (t.code == 0 && i + 1 < static_cast<int>(cur->toks.size())))
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

void eval_empty(void) { item(ItemKind::EMPTY, -1); }
void eval_statement(int32_t root) { item(ItemKind::STATEMENT, root); }
void jump_define(int lab) { item(ItemKind::DEFINITION, lab); }
void jump_reference(int lab) { item(ItemKind::REFERENCE, lab); }

int32_t eval_binary(int op, int32_t a, int32_t b)
{
    return node(rule_of(op), 0, a, b, at(a).first, at(b).last);
}

int32_t eval_negate(int32_t a) { return prefix(R_NEGATE, 1, a); }
int32_t eval_not(int32_t a) { return prefix(R_NOT, 1, a); }
int32_t eval_put(int32_t value) { return prefix(R_PUT, 1, value); }
int32_t eval_puts(int32_t value) { return prefix(R_PUTS, 1, value); }
int32_t eval_func(int32_t no) { return prefix(R_FUNC, 1, no); }
int32_t eval_new(int32_t count) { return prefix(R_NEW, 1, count); }
int32_t eval_variable(int32_t value) { return prefix(R_VARIABLE, 0, value); }

int32_t eval_paren(int32_t a)
{
    return node(R_PAREN, 0, a, -1, at(a).first - 1, rule_last());
}

int32_t eval_assign(int32_t slot, int32_t value)
{
    return node(R_ASSIGN, 0, slot, value, at(slot).first, at(value).last);
}

int32_t eval_strcopy(int32_t slot, int32_t value)
{
    return node(R_STRCOPY, 0, slot, value, at(slot).first, at(value).last);
}

int32_t jump_if(int32_t cond, int lab)
{
    return node(R_IF, lab, cond, -1, at(cond).first - 1, rule_last());
}

int32_t jump_if_count(int32_t cond, int32_t count, int lab)
{
    return node(R_IF_COUNT, lab, cond, count, at(cond).first - 1, rule_last());
}

int32_t jump_below(int lab) { return node(R_BELOW, lab, -1, -1, rule_last() - 1, rule_last()); }
int32_t jump_above(int lab) { return node(R_ABOVE, lab, -1, -1, rule_last() - 1, rule_last()); }

int32_t jump_below_count(int32_t count, int lab)
{
    return node(R_BELOW_COUNT, lab, count, -1, at(count).first - 2, rule_last());
}

int32_t jump_above_count(int32_t count, int lab)
{
    return node(R_ABOVE_COUNT, lab, count, -1, at(count).first - 2, rule_last());
}

int32_t eval_number(int32_t value) { return node(R_NUMBER, value, -1, -1, rule_last(), rule_last()); }
int32_t eval_string(int32_t tok) { return node(R_STRING, tok, -1, -1, rule_last(), rule_last()); }

int32_t eval_var_value(int index)
{
    return node(R_VAR_VALUE, index, -1, -1, rule_last(), rule_last());
}

int32_t eval_var_addr(int index)
{
    return node(R_VAR_ADDR, index, -1, -1, rule_last(), rule_last());
}

int32_t eval_element(int index, int32_t i)
{
    return node(R_ELEMENT, index, i, -1, at(i).first - 2, rule_last());
}

int32_t eval_element_addr(int index, int32_t i)
{
    return node(R_ELEMENT_ADDR, index, i, -1, at(i).first - 2, rule_last());
}

/* ---- places and findings ---- */

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
    s.findings.push_back(Finding{check_place(s, a.start, a.quill_line),
                                 check_place(s, b.start + b.length, b.quill_line),
                                 a.start, b.start + b.length, severity, code, message});
}

/* ---- the parse ---- */


namespace {

// Where the parse goes on after an error at tok: after the next ';', or at
// the next label definition.
int restart_after(const Script &s, int tok)
{
    int n = static_cast<int>(s.toks.size());
    for (int i = tok; i < n; i++) {
        int code = s.toks[static_cast<std::size_t>(i)].code;
        if (code == NL)
            return i + 1;
        if (code == LABEL && i + 1 < n && s.toks[static_cast<std::size_t>(i + 1)].code == COL &&
            i > item_start)
            return i;
        if (code == 0)
            return n;
    }
    return n;
}

void parse_items(Script &s)
{
    cur = &s;
    cursor = item_start = 0;
    last_delivered = prev_delivered = -1;
    int n = static_cast<int>(s.toks.size());
    for (;;) {
        error_tok = -1;
        if (yyparse() == 0)
            return;
        int at_tok = error_tok == -2 ? n - 1 : std::max(error_tok, 0);
        bool stray = false;   // a byte that ends quill's script: reported as such
        for (int i = item_start; i <= at_tok && i < n; i++)
            stray |= s.toks[static_cast<std::size_t>(i)].code < 0 ||
                     (s.toks[static_cast<std::size_t>(i)].code == 0 && i + 1 < n);
        if (!stray)
            check_syntax_error(s, at_tok, error_msg);
        if (error_tok == -2)
            return;
        int restart = std::max(restart_after(s, at_tok), item_start + 1);
        s.items.push_back(Item{ItemKind::BROKEN, item_start, restart - 1, -1});
        if (restart >= n)
            return;
        cursor = item_start = restart;
        last_delivered = prev_delivered = restart - 1;
    }
}

// A byte of 128 or more, or a NUL, outside texts and comments: one finding
// for each run of them.
void stray_bytes(Script &s)
{
    int n = static_cast<int>(s.toks.size());
    for (int i = 0; i < n; i++) {
        const Tok &t = s.toks[static_cast<std::size_t>(i)];
        bool nul = t.code == 0 && i + 1 < n;
        if (t.code >= 0 && !nul)
            continue;
        int j = i;
        while (j + 1 < n && s.toks[static_cast<std::size_t>(j + 1)].code < 0 &&
               s.toks[static_cast<std::size_t>(j + 1)].start == s.toks[static_cast<std::size_t>(j)].start + 1)
            j++;
        check_syntax_error(s, i, nul ? "NUL" : "high byte");
        i = j;
    }
}

}  // namespace

void check_parse(Script &s)
{
    map_lines(s);
    std::FILE *f = open_text(s.text);
    if (!f) {
        s.toks.push_back(Tok{0, 0, 0, 0, 1});
        return;
    }
    s.toks.reserve(s.scanned.size() / 3 + 16);   // a token takes about three bytes
    s.nodes.reserve(s.scanned.size() / 3 + 16);
    bool whole = scan(s, f);
    std::fclose(f);
    tokens_fault = nullptr;
    if (!whole) {
        uint64_t start;
        uint32_t length;
        tokens_last_span(&start, &length);
        s.toks.push_back(Tok{0, 0, start, 0, line_no});
        check_syntax_error(s, static_cast<int>(s.toks.size()) - 1,
                           fault_kind == ScanFault::FLEX ? fault_text : "cannot read");
        return;   // what follows was never scanned
    }
    stray_bytes(s);
    parse_items(s);
}
