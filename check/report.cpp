/*
 * report.cpp - findings: where a token stands (the text's line and column,
 * and the line quill names), each finding made with its code's row of the
 * table (codes.h), their order, and the two ways they are written: one line
 * each as compilers write them, or a JSON array.
 */
#include "check.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

/* ---- places ---- */

int64_t check_line_shift(const std::vector<LineShift> &shifts, int tok)
{
    auto after = std::upper_bound(shifts.begin(), shifts.end(), tok,
                                  [](int t, const LineShift &l) { return t < l.tok; });
    return after == shifts.begin() ? 0 : (after - 1)->less;
}

int check_quill_line(const Script &s, int tok)
{
    uint64_t start = s.toks[static_cast<std::size_t>(tok)].start;
    auto line = std::upper_bound(s.lines.begin(), s.lines.end(), start) - s.lines.begin();
    return static_cast<int32_t>(static_cast<int64_t>(line) - check_line_shift(s.shifts, tok));
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

/* ---- findings ---- */

static const char *const SEVERITIES[] = {"error", "warning", "info", "style"};   // ORDER Severity

const char *check_severity_name(Severity s)
{
    return SEVERITIES[static_cast<int>(s)];
}

bool check_severity_parse(const char *name, Severity *out)
{
    for (int i = 0; i < 4; i++)
        if (std::strcmp(name, SEVERITIES[i]) == 0) {
            *out = static_cast<Severity>(i);
            return true;
        }
    return false;
}

static const CodeInfo CODES[] = {
#define CHECK_CODE_ROW(name, number, severity, milder, stage, summary) \
    {Code::name, Severity::severity, Severity::milder, Stage::stage, summary},
    CHECK_CODES(CHECK_CODE_ROW)
#undef CHECK_CODE_ROW
};

const CodeInfo &check_code(Code code)
{
    for (const CodeInfo &c : CODES)
        if (c.code == code)
            return c;
    std::abort();   // every Code is a row of the table
}

std::string check_code_name(Code code)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "VT%03d", static_cast<int>(code));
    return buf;
}

void check_report(Script &s, int first, int last, Code code, const std::string &message)
{
    check_report(s, first, last, code, check_code(code).severity, message);
}

void check_report(Script &s, int first, int last, Code code, Severity severity,
                  const std::string &message)
{
    assert(severity == check_code(code).severity || severity == check_code(code).milder);
    int n = static_cast<int>(s.toks.size());
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, first, n - 1);
    const Tok &a = s.toks[static_cast<std::size_t>(first)];
    const Tok &b = s.toks[static_cast<std::size_t>(last)];
    s.findings.push_back(Finding{check_place(s, a.start, check_quill_line(s, first)),
                                 check_place(s, b.start + b.length, check_quill_line(s, last)),
                                 a.start, b.start + b.length, severity, code, message});
}

void check_sort(std::vector<Finding> &findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        if (a.at.line != b.at.line)
            return a.at.line < b.at.line;
        if (a.at.column != b.at.column)
            return a.at.column < b.at.column;
        return a.code < b.code;
    });
}

std::string check_gcc_line(const std::string &file, const Finding &f, bool quill_lines)
{
    std::string line = file + ":" + std::to_string(f.at.line) + ":" + std::to_string(f.at.column) +
                       ": " + check_severity_name(f.severity) + ": " + f.message + " [" +
                       check_code_name(f.code) + "]";
    if (quill_lines)   // a finding over lines of its own names them all
        line += " (quill: line " + std::to_string(f.at.quill_line) +
                (f.end.quill_line != f.at.quill_line ? "-" + std::to_string(f.end.quill_line) : "") +
                ")";
    return line;
}

nlohmann::json check_json(const std::string &file, const Finding &f, bool quill_lines)
{
    nlohmann::json j = {{"file", file},
                        {"line", f.at.line},
                        {"column", f.at.column},
                        {"endLine", f.end.line},
                        {"endColumn", f.end.column},
                        {"severity", check_severity_name(f.severity)},
                        {"code", check_code_name(f.code)},
                        {"message", f.message}};
    if (quill_lines) {
        j["quillLine"] = f.at.quill_line;
        j["quillEndLine"] = f.end.quill_line;
    }
    return j;
}

// A file that is no script at all: a NUL byte near its start, among other
// bytes that no text holds.
static bool looks_binary(const Script &s, uint64_t first_nul)
{
    constexpr std::size_t HEAD = 4096, ODD = 8;
    if (first_nul >= HEAD)
        return false;
    std::size_t odd = 0;
    for (std::size_t i = 0; i < std::min(HEAD, s.scanned.size()); i++) {
        unsigned char c = static_cast<unsigned char>(s.scanned[i]);
        odd += (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r') ||
               c == 0x7f;
    }
    return odd >= ODD;
}

std::vector<Finding> check_shown(const Script &s)
{
    std::vector<Finding> shown;
    shown.reserve(s.findings.size());
    bool ended = false;
    for (const Finding &f : s.findings) {
        if (f.code == Code::NUL && ended)
            continue;
        shown.push_back(f);
        if (f.code != Code::NUL)
            continue;
        ended = true;
        if (looks_binary(s, f.start)) {
            shown.back().message = "this file looks binary, not a script: a NUL byte ends it "
                                   "here, and nothing after it is checked";
            break;
        }
    }
    return shown;
}

// The length of the UTF-8 character at p, 0 for a byte that starts none.
static std::size_t utf8_length(const unsigned char *p, std::size_t left)
{
    std::size_t n = p[0] < 0x80 ? 1 : p[0] < 0xc2 ? 0 : p[0] < 0xe0 ? 2 : p[0] < 0xf0 ? 3
                  : p[0] < 0xf5 ? 4 : 0;
    if (n > left)
        return 0;
    for (std::size_t i = 1; i < n; i++)
        if ((p[i] & 0xc0) != 0x80)
            return 0;
    return n;
}

std::string check_quote(const std::string &text)
{
    constexpr std::size_t MOST = 40;   // characters; an escaped byte counts as one
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    std::string out;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); shown++) {
        if (shown == MOST)
            return out + "...";
        std::size_t n = utf8_length(p + i, text.size() - i);
        if (n == 0 || p[i] < 0x20 || p[i] == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", p[i]);
            out += hex;
            i++;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}
