/*
 * scan.cpp - a script's tokens from the interpreter's scanner: the text as
 * the scanner reads it, where its lines start, and each token with where
 * quill's count of lines departs from the text's. Tokens are scanned one
 * at a time, as the parser asks for them (items.cpp).
 */
#include "parse.h"

#include <algorithm>
#include <cstring>

bool scan_more;                // the scanner has more to give

namespace {

uint64_t scan_base;            // where the text it reads starts
int32_t line_base;             // the quill line there, less one
std::size_t line_at;           // the line (from 0) of the token scanned last
int64_t less_now;              // the shift of quill's lines in force there

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

}  // namespace

std::FILE *scan_open(const char *data, std::size_t size)
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

void scan_lines(Script &s)
{
    s.lines.assign(1, 0);
    const char *base = s.scanned.data(), *p = base, *stop = base + s.scanned.size();
    while ((p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)))))
        s.lines.push_back(static_cast<uint64_t>(++p - base));
}

void scan_text(Script &s)
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
    scan_lines(s);
}

void scan_start(Script &s, std::FILE *f, uint64_t base, int32_t line, std::size_t first)
{
    scan_base = base;
    line_base = line;
    s.toks.resize(first);
    line_at = static_cast<std::size_t>(std::upper_bound(s.lines.begin(), s.lines.end(), scan_base) -
                                       s.lines.begin()) - 1;
    less_now = check_line_shift(s.shifts, static_cast<int>(first));
    yyin = f;
    tokens_reset();
    scan_more = true;
}

bool scan_one(Script &s)
{
    tokens_forget();   // the stream keeps no more than the token being read
    const Token *t = tokens_next();
    if (!t) {
        scan_more = false;
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
        scan_more = false;
        return false;
    }
    if (code <= 0)
        stray_byte(s, static_cast<int>(s.toks.size()) - 1);
    return true;
}

void scan_failed(Script &s, const char *why)
{
    // the token that failed starts where the last match ended
    add_token(s, 0, 0, scan_base + tokens_matched(), 0, line_base + line_no);
    check_syntax_error(s, static_cast<int>(s.toks.size()) - 1, why);
}
