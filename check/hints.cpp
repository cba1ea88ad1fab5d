/*
 * hints.cpp - what a syntax error most likely means. quill says only
 * "syntax error" and where; a newcomer's mistakes are few and can be told
 * apart by the tokens around the error: a missing ';', a word from another
 * language read as one-letter variables, a pasted curly quote.
 */
#include "check.h"

#include <cctype>
#include <cstring>

namespace {

struct WordHint {
    const char *words;   // blank-separated, each between blanks
    const char *hint;
};

const WordHint WORDS[] = {
    {" print printf echo say write println ",
     "`%s` is no keyword: put prints numbers, puts texts"},
    {" while for do loop until repeat foreach ",
     "Vantor has no `%s`: a loop is a label, a body and `above X;` back to it"},
    {" else then elif elsif endif end fi ",
     "Vantor has no `%s`: `if c X;` only jumps forward to `X:` when c is not 0"},
    {" goto jump jmp call gosub ",
     "Vantor has no `%s`: `below X;` jumps forward, `above X;` back, `if c X;` when c holds"},
    {" return exit quit stop halt break ",
     "Vantor has no `%s`: jump past the script's end (`below E;` ... `E:`) to stop"},
    {" and or not ",
     "Vantor has no `%s`: the operators are &&, || and !"},
    {" let var set int dim local global def function sub my string ",
     "Vantor has no `%s`: the variables are the letters a to z, and need no declaration"},
    {" input read readline gets ",
     "Vantor has no `%s`: `l = func 1;` reads a line of standard input as a text"},
};

std::string at_word(const Script &s, uint64_t start, uint64_t *from)
{
    const std::string &t = s.scanned;
    uint64_t a = start, b = start;
    while (a > 0 && std::isalpha(static_cast<unsigned char>(t[a - 1])))
        a--;
    while (b < t.size() && std::isalpha(static_cast<unsigned char>(t[b])))
        b++;
    *from = a;
    return t.substr(a, b - a);
}

std::string format(const char *pattern, const std::string &word)
{
    const char *mark = std::strstr(pattern, "%s");
    return std::string(pattern, mark) + word + (mark + 2);
}

// A word of letters where a name of one letter was meant.
bool word_hint(const Script &s, const Tok &t, std::string *hint)
{
    uint64_t from;
    std::string word = at_word(s, t.start, &from);
    if (word.size() < 2)
        return false;
    std::string lower;
    for (char c : word)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const WordHint &w : WORDS)
        if (std::strstr(w.words, (" " + lower + " ").c_str())) {
            *hint = format(w.hint, word);
            return true;
        }
    for (const Keyword &k : CHECK_KEYWORDS)
        if (lower == k.word)
            return false;   // a keyword in the wrong place: no word to explain
    std::string letters;
    for (std::size_t i = 0; i < word.size() && i < 40; i++)
        letters += (i ? ", " : "") + word.substr(i, 1);
    *hint = "`" + check_quote(word) + "` reads as " + check_quote(letters) +
            ": variables (a-z) and labels (A-Z) are one letter each";
    return true;
}

bool is_word(int code)
{
    return code == VARIABLE || code == LABEL || check_is_keyword(code);
}

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

std::string high_byte(const Script &s, const Tok &t)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(s.scanned.data()) + t.start;
    std::size_t left = s.scanned.size() - t.start;
    if (left >= 3 && p[0] == 0xe2 && p[1] == 0x80 && p[2] >= 0x98 && p[2] <= 0x9f)
        return "a curly quote ends the script here (nothing after it runs): "
               "texts take straight quotes \" or '";
    if (left >= 2 && p[0] == 0xc2 && p[1] == 0xa0)
        return "a non-breaking space ends the script here (nothing after it runs): "
               "use a plain blank";
    return "a byte of 128 or more outside a text or a comment ends the script here: "
           "nothing after it runs";
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

// The first token of the word of letters at tok, as the scanner split it.
int word_start(const Script &s, int tok)
{
    uint64_t from;
    at_word(s, s.toks[static_cast<std::size_t>(tok)].start, &from);
    while (tok > 0 && s.toks[static_cast<std::size_t>(tok - 1)].start >= from)
        tok--;
    return tok;
}

enum class Hint { NONE, TEXT, WORD, SEMICOLON, OTHER };

// What a syntax error at tok most likely means, and which kind of hint that is.
std::string syntax_hint(const Script &s, int tok, Hint *kind)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    const Tok *prev = tok > 0 ? &s.toks[static_cast<std::size_t>(tok - 1)] : nullptr;
    std::string hint;
    *kind = Hint::OTHER;
    if (t.code == 0)
        return "the script ends in the middle of a statement";
    if (text_hint(s, tok, &hint))
        return *kind = Hint::TEXT, hint;
    if (is_word(t.code) && word_hint(s, t, &hint))
        return *kind = Hint::WORD, hint;
    if (missing_semicolon(s, tok))
        return *kind = Hint::SEMICOLON,
               "is the ';' missing at the end of line " + std::to_string(line_of(s, prev->start)) + "?";
    if (operator_hint(s, tok, &hint))
        return hint;
    if (prev && ends_operand(prev->code) && starts_operand(t.code))
        return "two values side by side: is an operator or a ';' missing between them?";
    if (t.code == OPSET || t.code == OPSTRCP)
        return "only a variable or an element x[i] can stand left of = or ~; == compares";
    if (t.code > 0 && t.code < 256)
        return "`" + check_quote(std::string(1, static_cast<char>(t.code))) + "` is no part of Vantor";
    if (t.code == COL)
        return "only a label (A-Z) is defined with ':'";
    *kind = Hint::NONE;
    return "";
}

}  // namespace

void check_syntax_error(Script &s, int tok, const char *msg)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    if (std::strcmp(msg, "NUL") == 0)
        return check_report(s, tok, tok, Code::NUL,
                            "a NUL byte ends the script here: nothing after it runs");
    if (std::strcmp(msg, "high byte") == 0)
        return check_report(s, tok, tok, Code::HIGH_BYTE, high_byte(s, t));
    if (std::strcmp(msg, "parser stack overflow") == 0)
        return check_report(s, tok, tok, Code::TOO_DEEP,
                            "nested too deeply: quill stops with \"parser stack overflow\"");
    if (std::strcmp(msg, "syntax error") != 0)
        return check_report(s, tok, tok, Code::STOPS_READING,
                            std::string("quill stops here: \"") + msg + "\"");
    if (t.code == '"' || t.code == '\'')
        return check_quote_left(s, tok);
    const Tok *prev = tok > 0 ? &s.toks[static_cast<std::size_t>(tok - 1)] : nullptr;
    if (t.code == 0 && prev && prev->code != NL && prev->code != COL)
        return check_report(s, tok - 1, tok, Code::SYNTAX, CHECK_NO_LAST_SEMICOLON);
    // a finding ends at the token where quill stops, whatever it starts at
    Hint kind;
    std::string hint = syntax_hint(s, tok, &kind);
    std::string message = hint.empty() ? "syntax error" : "syntax error: " + hint;
    // a text that swallowed lines: from where it opens, as the fix goes there
    int text = spans_lines(s, t) ? tok : tok - 1;
    check_report(s, kind == Hint::WORD ? word_start(s, tok) : kind == Hint::SEMICOLON ? tok - 1
                    : kind == Hint::TEXT ? text : tok,
                 tok, Code::SYNTAX, message);
    if (kind == Hint::SEMICOLON) {   // where the ';' goes: just after the line's last token
        Finding &f = s.findings.back();
        f.start = prev->start + prev->length;
        f.at = check_place(s, f.start, f.at.quill_line);
    }
}

void check_quote_left(Script &s, int tok)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    check_report(s, tok, tok, Code::QUOTE_OPEN,
                 std::string("this ") + static_cast<char>(t.code) +
                     " is never closed: a text runs to the next quote of its kind");
}

std::string check_syntax_message(const Script &s, int tok)
{
    Hint kind;
    std::string hint = syntax_hint(s, tok, &kind);
    return hint.empty() ? "syntax error" : "syntax error: " + hint;
}
