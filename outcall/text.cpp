/*
 * text.cpp - comparing, converting, formatting and joining texts.
 */
#include "outcall_int.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

int oc_atoi(const char *text)
{
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

int oc_strcmp(const int var[])
{
    const char *c = oc_text(var[VAR_C]);
    const char *p = oc_text(var[VAR_P]);
    if (!c || !p)
        return 0;
    // only the sign is promised; -1/0/1 is the same on every C library
    int r = std::strcmp(c, p);
    return (r > 0) - (r < 0);
}

int oc_atoi_text(const int var[])
{
    const char *a = oc_text(var[VAR_A]);
    return a ? oc_atoi(a) : 0;
}

/* Output bounded to what buf can hand back: everything past 1023 bytes is
   dropped. Runs of a byte and of text go in one step: a report formats many
   numbers a line. */
struct Out {
    char *at;
    char *const end;

    void bytes(const char *s, std::size_t n)
    {
        n = n < static_cast<std::size_t>(end - at) ? n : static_cast<std::size_t>(end - at);
        if (n <= 16) {   // a field's digits, a separator: cheaper than a call
            for (std::size_t k = 0; k < n; k++)
                at[k] = s[k];
        } else {
            std::memcpy(at, s, n);
        }
        at += n;
    }
    void repeat(char c, long long count)
    {
        long long room = end - at;
        std::size_t n = static_cast<std::size_t>(count < room ? (count > 0 ? count : 0) : room);
        if (n <= 16) {
            for (std::size_t k = 0; k < n; k++)
                at[k] = c;
        } else {
            std::memset(at, c, n);
        }
        at += n;
    }
};

struct Conversion {
    bool left, plus, space, alt, zero;
    long long width;
    long long precision;  // -1: none given
    char kind;
};

// Digits after *pp, read while they stay within int; false when they do not.
static bool read_count(const char **pp, long long *n)
{
    *n = 0;
    while (**pp >= '0' && **pp <= '9') {
        *n = *n * 10 + (**pp - '0');
        if (*n > INT_MAX)
            return false;  // the C library refuses such a field too
        ++*pp;
    }
    return true;
}

static bool is_kind(char c)
{
    return c == 'd' || c == 'i' || c == 'o' || c == 'u' || c == 'x' || c == 'X' || c == 'c';
}

// Parses the conversion after a '%'; *pp then points past it.
static bool read_conversion(const char **pp, Conversion *cv)
{
    *cv = Conversion{false, false, false, false, false, 0, -1, 0};
    const char *p = *pp;
    for (;; p++) {
        if (*p == '-') cv->left = true;
        else if (*p == '+') cv->plus = true;
        else if (*p == ' ') cv->space = true;
        else if (*p == '#') cv->alt = true;
        else if (*p == '0') cv->zero = true;
        else break;
    }
    if (!read_count(&p, &cv->width))
        return false;
    if (*p == '.') {
        p++;
        if (!read_count(&p, &cv->precision))
            return false;
    }
    if (!is_kind(*p))
        return false;
    cv->kind = *p++;
    *pp = p;
    return true;
}

// One integer conversion, laid out as printf does it.
static void format_int(Out *out, const Conversion &cv, int value)
{
    if (cv.kind == 'c') {
        long long pad = cv.width > 1 ? cv.width - 1 : 0;
        char c = static_cast<char>(static_cast<unsigned char>(value));
        if (!cv.left)
            out->repeat(' ', pad);
        out->bytes(&c, 1);
        if (cv.left)
            out->repeat(' ', pad);
        return;
    }
    const char *prefix = "";
    uint32_t mag;
    unsigned base = 10;
    if (cv.kind == 'd' || cv.kind == 'i') {
        mag = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        prefix = value < 0 ? "-" : cv.plus ? "+" : cv.space ? " " : "";
    } else {
        mag = static_cast<uint32_t>(value);
        if (cv.kind == 'o')
            base = 8;
        else if (cv.kind == 'x' || cv.kind == 'X')
            base = 16;
        if (cv.alt && mag != 0 && base == 16)
            prefix = cv.kind == 'x' ? "0x" : "0X";
    }
    char digits[16];
    char *first = digits + sizeof digits;
    if (base == 10) {
        static const char PAIRS[] =
            "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
            "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
            "8081828384858687888990919293949596979899";
        uint32_t m = mag;
        for (; m >= 100; m /= 100) {
            first -= 2;
            std::memcpy(first, PAIRS + 2 * (m % 100), 2);
        }
        if (m >= 10) {
            first -= 2;
            std::memcpy(first, PAIRS + 2 * m, 2);
        } else if (m) {
            *--first = static_cast<char>('0' + m);
        }
    } else {
        const char *digit_set = cv.kind == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        for (uint32_t m = mag; m != 0; m /= base)
            *--first = digit_set[m % base];
    }
    long long nd = digits + sizeof digits - first;
    long long precision = cv.precision < 0 ? 1 : cv.precision;
    long long zeros = precision > nd ? precision - nd : 0;
    if (cv.kind == 'o' && cv.alt && zeros == 0 && (nd == 0 || *first != '0'))
        zeros = 1;  // the alternate octal form starts with a 0
    std::size_t np = std::strlen(prefix);
    long long total = static_cast<long long>(np) + zeros + nd;
    long long pad = cv.width > total ? cv.width - total : 0;
    if (!cv.left && !(cv.zero && cv.precision < 0))
        out->repeat(' ', pad);
    out->bytes(prefix, np);
    if (!cv.left && cv.zero && cv.precision < 0)
        out->repeat('0', pad);
    out->repeat('0', zeros);
    out->bytes(first, static_cast<std::size_t>(nd));
    if (cv.left)
        out->repeat(' ', pad);
}

/* A format as read once: the text around its one conversion, with %% as %.
   A report formats thousands of numbers with the same format, so the last
   one read is kept, compared byte for byte before it is used again. */
struct Format {
    char raw[BUF_SIZE];   // the format as given
    std::size_t raw_len;  // BUF_SIZE: none kept
    char text[BUF_SIZE];  // before the conversion, then after it
    std::size_t before, after;
    Conversion cv;
};

static bool read_format(const char *format, std::size_t len, Format *f)
{
    // exactly one integer conversion: anything else would read arguments that are not there
    Out out{f->text, f->text + sizeof f->text};
    int conversions = 0;
    for (const char *p = format; *p;) {
        const char *run = p;
        while (*p && *p != '%')
            p++;
        out.bytes(run, static_cast<std::size_t>(p - run));
        if (!*p)
            break;
        p++;
        if (*p == '%') {
            out.bytes("%", 1);
            p++;
            continue;
        }
        if (!read_conversion(&p, &f->cv) || ++conversions > 1)
            return false;
        f->before = static_cast<std::size_t>(out.at - f->text);
    }
    if (conversions != 1)
        return false;
    f->after = static_cast<std::size_t>(out.at - f->text) - f->before;
    if (len < sizeof f->raw) {
        f->raw_len = len;
        std::memcpy(f->raw, format, len);
    }
    return true;
}

int oc_itoa(const int var[])
{
    static Format last{{}, BUF_SIZE, {}, 0, 0, {}};
    const char *format = "%d";
    std::size_t len = 2;
    if (var[VAR_F] != 0) {
        format = oc_text(var[VAR_F], &len);
        if (!format)
            return 0;
    }
    Format fresh, *f = &last;
    if (len >= BUF_SIZE)
        f = &fresh;   // a longer format is read anew each time
    if (len != f->raw_len || std::memcmp(format, f->raw, len) != 0) {
        f->raw_len = BUF_SIZE;
        if (!read_format(format, len, f))
            return 0;
    }
    Out out{buf, buf + BUF_SIZE - 1};
    out.bytes(f->text, f->before);
    format_int(&out, f->cv, var[VAR_I]);
    out.bytes(f->text + f->before, f->after);
    *out.at = '\0';
    return oc_return_text(buf);
}

int oc_strcat(const int var[])
{
    std::size_t nc, np;
    const char *c = oc_text(var[VAR_C], &nc);
    const char *p = oc_text(var[VAR_P], &np);
    if (!c || !p)
        return 0;
    // cut to what buf holds
    nc = nc < BUF_SIZE - 1 ? nc : BUF_SIZE - 1;
    np = np < BUF_SIZE - 1 - nc ? np : BUF_SIZE - 1 - nc;
    std::memmove(buf, c, nc);   // a text the host copied from buf may still lie there
    std::memmove(buf + nc, p, np);
    buf[nc + np] = '\0';
    return oc_return_text(buf);
}
