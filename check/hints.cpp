/*
 * hints.cpp - what a syntax error most likely means. quill says only
 * "syntax error" and where; a newcomer's mistakes are few and can be told
 * apart by the tokens around the error: a missing ';', a text that runs on
 * because a quote was left out, an operator from another language, a
 * bracket left open, a word of letters (words.cpp).
 */
#include "check.h"

#include <cctype>
#include <cstring>

namespace {

bool starts_operand(int code)
{
    switch (code) {
    case NUMBER: case STRING: case VARIABLE: case LP: case PRINT: case PRINTS: case FUNC:
    case OPNEW: case OPIF: case OPBELOW: case OPABOVE: case OPNO:
        return true;
    default:
        return false;
    }
}

bool ends_operand(int code)
{
    return code == NUMBER || code == STRING || code == VARIABLE || code == RP || code == RB ||
           code == LABEL;
}

// A statement that breaks at the first token of a line, after a value
// that could have ended it.
bool missing_semicolon(const Script &s, int tok)
{
    if (tok == 0)
        return false;
    const Tok &t = s.toks[static_cast<std::size_t>(tok)], &prev = s.toks[static_cast<std::size_t>(tok - 1)];
    return ends_operand(prev.code) && check_place(s, prev.start, 0).line < check_place(s, t.start, 0).line;
}

bool is_operator(int code)
{
    switch (code) {
    case OPADD: case OPSUB: case OPMUL: case OPDIV: case OPMOD: case OPAND: case OPOR:
    case OPGT: case OPLT: case OPGE: case OPLE: case OPEQ: case OPNE: case OPSET: case OPSTRCP:
    case OPNO: case ATMARK:
        return true;
    default:
        return false;
    }
}

// The spelling of an operator token, from the text.
std::string spelled(const Script &s, const Tok &t)
{
    return s.scanned.substr(t.start, t.length);
}

// A text token with a line break in it.
bool spans_lines(const Script &s, const Tok &t)
{
    return t.code == STRING && std::memchr(s.scanned.data() + t.start, '\n', t.length);
}

int line_of(const Script &s, uint64_t offset)
{
    return check_place(s, offset, 0).line;
}

// A text that spans lines where the statement breaks, at it or just before:
// most likely a quote left out earlier, which made it swallow the lines.
bool text_hint(const Script &s, int tok, std::string *hint)
{
    const Tok *text = &s.toks[static_cast<std::size_t>(tok)];
    if (!spans_lines(s, *text)) {
        if (tok == 0 || !spans_lines(s, s.toks[static_cast<std::size_t>(tok - 1)]))
            return false;
        text = &s.toks[static_cast<std::size_t>(tok - 1)];
    }
    int from = line_of(s, text->start), to = line_of(s, text->start + text->length - 1);
    char quote = s.scanned[text->start];
    *hint = "this text runs to line " + std::to_string(to) + ", where quill stops: is its closing " +
            quote + " missing on line " + std::to_string(from) + "?";
    return true;
}

// The brackets still open before tok in its statement: ( or [, or 0 for
// none; ) or ] when one closes what was never opened.
char open_bracket(const Script &s, int tok)
{
    std::string open;
    int from = tok;
    while (from > 0 && s.toks[static_cast<std::size_t>(from - 1)].code != NL &&
           s.toks[static_cast<std::size_t>(from - 1)].code != COL)
        from--;
    for (int i = from; i <= tok; i++) {
        int code = s.toks[static_cast<std::size_t>(i)].code;
        if (code == LP || code == LB) {
            open += code == LP ? '(' : '[';
        } else if (code == RP || code == RB) {
            if (open.empty() || open.back() != (code == RP ? '(' : '['))
                return i == tok ? (code == RP ? ')' : ']') : 0;
            open.pop_back();
        }
    }
    return open.empty() ? 0 : open.back();
}

// An if before tok in its statement.
bool in_if(const Script &s, int tok)
{
    for (int i = tok - 1; i >= 0; i--) {
        int code = s.toks[static_cast<std::size_t>(i)].code;
        if (code == OPIF)
            return true;
        if (code == NL || code == COL)
            return false;
    }
    return false;
}

// A mistake of how operators are written, or what they are given.
bool operator_hint(const Script &s, int tok, std::string *hint)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    const Tok *prev = tok > 0 ? &s.toks[static_cast<std::size_t>(tok - 1)] : nullptr;
    bool joined = prev && prev->start + prev->length == t.start;
    const Tok *before = tok > 1 ? &s.toks[static_cast<std::size_t>(tok - 2)] : nullptr;
    bool doubled = joined && (t.code == OPADD || t.code == OPSUB) && prev->code == t.code;
    if (!doubled && prev && before && prev->code == OPSUB && before->code == OPSUB &&
        before->start + 1 == prev->start && !starts_operand(t.code))
        doubled = true;   // k--; fails at the ';'
    if (doubled) {
        std::string op = spelled(s, *prev);
        *hint = "Vantor has no `" + op + op + "`: `k = k " + op + " 1;`";
        return true;
    }
    bool arithmetic = prev && (prev->code == OPADD || prev->code == OPSUB || prev->code == OPMUL ||
                               prev->code == OPDIV || prev->code == OPMOD);
    if (joined && t.code == OPSET && arithmetic) {
        *hint = "Vantor has no `" + spelled(s, *prev) + "=`: `k = k " + spelled(s, *prev) + " n;`";
        return true;
    }
    if (t.code == LABEL && prev && (is_operator(prev->code) || prev->code == PRINT ||
                                    prev->code == PRINTS || prev->code == LP || prev->code == LB ||
                                    prev->code == FUNC || prev->code == OPNEW || prev->code == OPIF)) {
        char name = static_cast<char>('A' + t.value);
        *hint = std::string("`") + name + "` is a label, a place to jump to, where a value belongs: is `" +
                static_cast<char>(name - 'A' + 'a') + "` meant?";
        if (in_if(s, tok))
            *hint += std::string(" The label comes after the condition: `if c == 1 ") + name + ";`";
        return true;
    }
    if (t.code == LB && !(prev && prev->code == VARIABLE)) {
        *hint = "`[` comes only after a variable, as in x[i]: `new n` makes an array";
        return true;
    }
    if (prev && is_operator(prev->code) && !starts_operand(t.code) && t.code != OPSUB &&
        t.code != LABEL) {
        *hint = "`" + spelled(s, *prev) + "` has no value after it";
        return true;
    }
    char bracket = open_bracket(s, tok);
    if (bracket == '(' || bracket == '[') {
        *hint = std::string("a `") + bracket + "` is still open here: is its `" +
                (bracket == '(' ? ')' : ']') + "` missing?";
        return true;
    }
    if (bracket) {
        *hint = std::string("this `") + bracket + "` closes a bracket that was never opened";
        return true;
    }
    return false;
}

// What a syntax error at tok most likely means: "" for no idea. *first and
// *after_first as SyntaxHint has them.
std::string hint(const Script &s, int tok, int *first, bool *after_first)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    const Tok *prev = tok > 0 ? &s.toks[static_cast<std::size_t>(tok - 1)] : nullptr;
    std::string text;
    if (t.code == 0)
        return "the script ends in the middle of a statement";
    if (text_hint(s, tok, &text)) {
        *first = spans_lines(s, t) ? tok : tok - 1;   // the fix goes where the text opens
        return text;
    }
    if (check_word_hint(s, tok, &text)) {
        *first = check_word_start(s, tok);
        return text;
    }
    if (missing_semicolon(s, tok)) {
        *first = tok - 1;
        *after_first = true;
        return "is the ';' missing at the end of line " + std::to_string(line_of(s, prev->start)) + "?";
    }
    if (operator_hint(s, tok, &text))
        return text;
    if (prev && ends_operand(prev->code) && starts_operand(t.code))
        return "two values side by side: is an operator or a ';' missing between them?";
    if (t.code == OPSET || t.code == OPSTRCP)
        return "only a variable or an element x[i] can stand left of = or ~; == compares";
    if (t.code > 0 && t.code < 256)
        return "`" + check_quote(std::string(1, static_cast<char>(t.code))) + "` is no part of Vantor";
    if (t.code == COL)
        return "only a label (A-Z) is defined with ':'";
    return "";
}

}  // namespace

SyntaxHint check_syntax_hint(const Script &s, int tok)
{
    SyntaxHint h{"", tok, false};
    std::string text = hint(s, tok, &h.first, &h.after_first);
    h.message = text.empty() ? "syntax error" : "syntax error: " + text;
    return h;
}
