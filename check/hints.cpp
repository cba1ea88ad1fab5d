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
    static const char *const KEYWORDS[] = {"put", "puts", "if", "below", "above", "func", "new"};
    for (const char *k : KEYWORDS)
        if (lower == k)
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
    switch (code) {
    case VARIABLE: case LABEL: case PRINT: case PRINTS: case OPIF: case OPBELOW: case OPABOVE:
    case FUNC: case OPNEW:
        return true;
    default:
        return false;
    }
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

}  // namespace

void check_syntax_error(Script &s, int tok, const char *msg)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    if (std::strcmp(msg, "NUL") == 0)
        return check_report(s, tok, tok, Severity::ERROR, 5,
                            "a NUL byte ends the script here: nothing after it runs");
    if (std::strcmp(msg, "high byte") == 0)
        return check_report(s, tok, tok, Severity::ERROR, 4, high_byte(s, t));
    if (std::strcmp(msg, "parser stack overflow") == 0)
        return check_report(s, tok, tok, Severity::ERROR, 2,
                            "nested too deeply: quill stops with \"parser stack overflow\"");
    if (std::strcmp(msg, "syntax error") != 0)
        return check_report(s, tok, tok, Severity::ERROR, 6,
                            std::string("quill stops here: \"") + msg + "\"");
    if (t.code == '"' || t.code == '\'')
        return check_report(s, tok, tok, Severity::ERROR, 3,
                            std::string("this ") + static_cast<char>(t.code) +
                            " is never closed: a text runs to the next quote of its kind");
    const Tok *prev = tok > 0 ? &s.toks[static_cast<std::size_t>(tok - 1)] : nullptr;
    if (t.code == 0 && prev && prev->code != NL && prev->code != COL)
        return check_report(s, tok - 1, tok, Severity::ERROR, 1, CHECK_NO_LAST_SEMICOLON);
    check_report(s, tok, tok, Severity::ERROR, 1, check_syntax_message(s, tok));
}

std::string check_syntax_message(const Script &s, int tok)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    const Tok *prev = tok > 0 ? &s.toks[static_cast<std::size_t>(tok - 1)] : nullptr;
    std::string hint;
    if (t.code == 0) {
        hint = "the script ends in the middle of a statement";
    } else if (is_word(t.code) && word_hint(s, t, &hint)) {
    } else if (prev && ends_operand(prev->code) &&
               check_place(s, prev->start, 0).line < check_place(s, t.start, 0).line) {
        hint = "is the ';' missing at the end of line " +
               std::to_string(check_place(s, prev->start, 0).line) + "?";
    } else if (prev && ends_operand(prev->code) && starts_operand(t.code)) {
        hint = "two values side by side: is an operator or a ';' missing between them?";
    } else if (t.code == OPSET || t.code == OPSTRCP) {
        hint = "only a variable or an element x[i] can stand left of = or ~; == compares";
    } else if (t.code > 0 && t.code < 256) {
        hint = "`" + check_quote(std::string(1, static_cast<char>(t.code))) + "` is no part of Vantor";
    } else if (t.code == COL) {
        hint = "only a label (A-Z) is defined with ':'";
    }
    return hint.empty() ? "syntax error" : "syntax error: " + hint;
}
