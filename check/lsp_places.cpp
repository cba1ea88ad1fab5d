/*
 * lsp_places.cpp - places in a document as the client names them: lines,
 * and characters counted in UTF-16 units or (if the client says so) in
 * bytes, the byte-order mark a character of the first line; as the checker
 * has them, offsets in the text as scanned. Both ways, and the tokens there.
 */
#include "lsp.h"

#include <algorithm>
#include <cstring>

using nlohmann::json;

namespace lsp {

bool utf8_columns;

namespace {

// The column units of the bytes [from, to) of one line.
std::size_t units(const std::string &t, uint64_t from, uint64_t to)
{
    if (utf8_columns)
        return static_cast<std::size_t>(to - from);
    std::size_t n = 0;
    for (uint64_t i = from; i < to; i++) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if ((c & 0xc0) != 0x80)
            n += c >= 0xf0 ? 2 : 1;   // a character beyond the first plane takes two
    }
    return n;
}

// A client sees the byte-order mark as the first character, the scanner not at all.
std::size_t mark_units(const Script &s, int line)
{
    return line == 0 && s.byte_order_mark ? (utf8_columns ? 3 : 1) : 0;
}

json position(const Script &s, uint64_t offset)
{
    int line = line_of(s, offset);
    uint64_t start = s.lines[static_cast<std::size_t>(line)];
    return {{"line", line}, {"character", mark_units(s, line) + units(s.scanned, start, offset)}};
}

// A position's line and character; false for one that no text has (a
// negative or fractional number, or one past 2^64).
bool line_char(const json &pos, const std::string &name, uint64_t *line, uint64_t *character)
{
    const json &l = member(pos, "line"), &c = member(pos, "character");
    if (!l.is_number() || !c.is_number())
        throw BadParam(name + " needs a line and a character, both numbers");
    if (!l.is_number_unsigned() || !c.is_number_unsigned())
        return false;
    *line = l.get<uint64_t>();
    *character = c.get<uint64_t>();
    return true;
}

// The offset the character count want from offset from comes to, not past end.
uint64_t walk(const std::string &t, uint64_t from, uint64_t end, uint64_t want)
{
    uint64_t n = 0;
    uint64_t at = from;
    while (at < end && n < want) {
        unsigned char c = static_cast<unsigned char>(t[at++]);
        if (utf8_columns || (c & 0xc0) != 0x80)
            n += !utf8_columns && c >= 0xf0 ? 2 : 1;
    }
    while (at < end && (static_cast<unsigned char>(t[at]) & 0xc0) == 0x80)
        at++;   // not inside a character
    return at;
}

bool is_name(int code)
{
    return code == LABEL || code == VARIABLE || code == NUMBER || check_is_keyword(code);
}

}  // namespace

int line_of(const Script &s, uint64_t offset)
{
    auto next = std::upper_bound(s.lines.begin(), s.lines.end(), offset);
    return static_cast<int>(next - s.lines.begin()) - 1;
}

bool offset_of(const Script &s, const json &pos, uint64_t *offset)
{
    uint64_t line, want;
    if (!line_char(pos, "position", &line, &want) || line >= s.lines.size())
        return false;
    uint64_t at = s.lines[line];
    uint64_t end = line + 1 < s.lines.size() ? s.lines[line + 1] - 1 : s.scanned.size();
    want -= std::min<uint64_t>(want, mark_units(s, static_cast<int>(line)));
    *offset = walk(s.scanned, at, end, want);
    return true;
}

uint64_t raw_offset(const std::string &t, const json &pos, const char *name)
{
    uint64_t line, want;
    if (!line_char(pos, name, &line, &want))
        throw BadParam(std::string(name) + " lies before the start");
    uint64_t at = 0;
    for (uint64_t l = 0; l < line && at < t.size(); l++) {
        const void *nl = std::memchr(t.data() + at, '\n', t.size() - at);
        at = nl ? static_cast<uint64_t>(static_cast<const char *>(nl) - t.data()) + 1 : t.size();
    }
    uint64_t end = at;
    while (end < t.size() && t[end] != '\n')
        end++;
    return walk(t, at, end, want);
}

json range(const Script &s, uint64_t from, uint64_t to)
{
    return {{"start", position(s, from)}, {"end", position(s, to)}};
}

json range_of(const Script &s, int first_tok, int last_tok)
{
    const Tok &b = s.toks[static_cast<std::size_t>(last_tok)];
    return range(s, s.toks[static_cast<std::size_t>(first_tok)].start, b.start + b.length);
}

json token_range(const Script &s, int tok)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    return range(s, t.start, t.start + t.length);
}

json location(const std::string &uri, const Script &s, int tok)
{
    return {{"uri", uri}, {"range", token_range(s, tok)}};
}

int token_under(const Script &s, uint64_t offset)
{
    auto after = std::upper_bound(s.toks.begin(), s.toks.end(), offset,
                                  [](uint64_t o, const Tok &t) { return o < t.start; });
    if (after == s.toks.begin())
        return -1;
    int i = static_cast<int>(after - s.toks.begin()) - 1;
    const Tok &t = s.toks[static_cast<std::size_t>(i)];
    if (t.code == 0 || offset > t.start + t.length)
        return -1;
    // between a word and what follows it, where typing leaves the cursor: the word
    if (t.start == offset && !is_name(t.code) && i > 0) {
        const Tok &before = s.toks[static_cast<std::size_t>(i - 1)];
        if (before.start + before.length == offset && is_name(before.code))
            return i - 1;
    }
    return i;
}

}  // namespace lsp
