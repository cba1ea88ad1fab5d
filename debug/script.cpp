/*
 * script.cpp - the script being debugged, as the checker reads it.
 */
#include "script.h"

#include <fstream>
#include <iterator>

bool script_load(DebugScript &d, const std::string &path, std::string *why)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *why = "cannot open " + path;
        return false;
    }
    d.s = Script();
    d.s.name = path;
    d.s.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (d.s.text.size() >= CHECK_MAX_TEXT) {
        *why = path + " is too large to debug";
        return false;
    }
    check_parse(d.s);
    d.stops.clear();
    d.markers.clear();
    bool start = true;
    int32_t line = 1;
    for (std::size_t i = 0; i < d.s.toks.size(); i++) {
        int code = d.s.toks[i].code;
        int32_t here = check_quill_line(d.s, static_cast<int>(i));
        if (static_cast<uint32_t>(here - line) >= 0xffff)
            d.markers.push_back(static_cast<int>(i));
        line = here;
        if (start && code != NL && code != 0)
            d.stops.push_back(static_cast<int>(i));
        start = code == NL || code == COL;
    }
    return true;
}

uint32_t script_stream_pos(const DebugScript &d, int tok)
{
    auto before = std::upper_bound(d.markers.begin(), d.markers.end(), tok);
    return static_cast<uint32_t>(tok) + static_cast<uint32_t>(before - d.markers.begin());
}

int script_token(const DebugScript &d, uint32_t pos)
{
    int n = static_cast<int>(d.s.toks.size());
    int tok = static_cast<int>(std::min<uint32_t>(pos, static_cast<uint32_t>(n ? n - 1 : 0)));
    while (tok > 0 && script_stream_pos(d, tok) > pos)   // markers are rare
        tok--;
    return tok;
}

Place script_place(const DebugScript &d, int tok)
{
    if (tok < 0 || static_cast<std::size_t>(tok) >= d.s.toks.size())
        return Place{1, 1, 1};
    return check_place(d.s, d.s.toks[static_cast<std::size_t>(tok)].start,
                       check_quill_line(d.s, tok));
}

int script_stop_from(const DebugScript &d, int line)
{
    for (int tok : d.stops)   // in order of place
        if (script_place(d, tok).line >= line)
            return tok;
    return -1;
}

std::string script_words(const DebugScript &d, int tok)
{
    std::size_t n = d.s.toks.size();
    if (tok < 0 || static_cast<std::size_t>(tok) >= n)
        return "";
    std::size_t last = static_cast<std::size_t>(tok);
    while (last + 1 < n && d.s.toks[last].code != NL && d.s.toks[last].code != COL &&
           d.s.toks[last + 1].code != 0)
        last++;
    const Tok &a = d.s.toks[static_cast<std::size_t>(tok)], &b = d.s.toks[last];
    std::size_t end = b.code == NL ? b.start : b.start + b.length;   // the ';' left out
    std::string words;
    for (std::size_t i = a.start; i < end && i < d.s.scanned.size(); i++) {
        char c = d.s.scanned[i];
        bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (!blank)
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    }
    while (!words.empty() && words.back() == ' ')
        words.pop_back();
    return check_quote(words);
}
