/*
 * words.cpp - a word of letters where quill reads one letter at a time: a
 * word from another language (print, while, else, ...), or a name longer
 * than the one letter that variables and labels have.
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

}  // namespace

bool check_word_hint(const Script &s, int tok, std::string *hint)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    if (t.code != VARIABLE && t.code != LABEL && !check_is_keyword(t.code))
        return false;   // no letter
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

int check_word_start(const Script &s, int tok)
{
    uint64_t from;
    at_word(s, s.toks[static_cast<std::size_t>(tok)].start, &from);
    while (tok > 0 && s.toks[static_cast<std::size_t>(tok - 1)].start >= from)
        tok--;
    return tok;
}
