/*
 * syntax.cpp - the findings of the parse: a syntax error, with what it most
 * likely means (hints.cpp); a quote never closed; a NUL or a byte of 128 or
 * more, where quill's script ends; and the messages quill stops with.
 */
#include "check.h"

#include <cstring>

namespace {

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
    SyntaxHint h = check_syntax_hint(s, tok);
    check_report(s, h.first, tok, Code::SYNTAX, h.message);
    if (h.after_first) {   // where the ';' goes: just after the line's last token
        Finding &f = s.findings.back();
        const Tok &last = s.toks[static_cast<std::size_t>(h.first)];
        f.start = last.start + last.length;
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
