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

/* Output bounded to what buf can hand back: everything past 1023 bytes is dropped. */
struct Out {
    char text[BUF_SIZE];
    std::size_t len;
};

static void emit(Out *out, char c, long long count = 1)
{
    while (count-- > 0 && out->len < BUF_SIZE - 1)
        out->text[out->len++] = c;
}

static void emit_str(Out *out, const char *s, std::size_t n)
{
    for (std::size_t k = 0; k < n; k++)
        emit(out, s[k]);
}

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
    if (*p == '\0' || !std::strchr("diouxXc", *p))
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
        if (!cv.left)
            emit(out, ' ', pad);
        emit(out, static_cast<char>(static_cast<unsigned char>(value)));
        if (cv.left)
            emit(out, ' ', pad);
        return;
    }
    char prefix[3] = "";
    uint32_t mag;
    unsigned base = 10;
    if (cv.kind == 'd' || cv.kind == 'i') {
        mag = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        if (value < 0) std::strcpy(prefix, "-");
        else if (cv.plus) std::strcpy(prefix, "+");
        else if (cv.space) std::strcpy(prefix, " ");
    } else {
        mag = static_cast<uint32_t>(value);
        if (cv.kind == 'o')
            base = 8;
        else if (cv.kind == 'x' || cv.kind == 'X')
            base = 16;
        if (cv.alt && mag != 0 && base == 16)
            std::strcpy(prefix, cv.kind == 'x' ? "0x" : "0X");
    }
    const char *digit_set = cv.kind == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[16];
    int nd = 0;
    for (uint32_t m = mag; m != 0; m /= base)
        digits[nd++] = digit_set[m % base];
    long long precision = cv.precision < 0 ? 1 : cv.precision;
    long long zeros = precision > nd ? precision - nd : 0;
    if (cv.kind == 'o' && cv.alt && zeros == 0 && (nd == 0 || digits[nd - 1] != '0'))
        zeros = 1;  // the alternate octal form starts with a 0
    std::size_t np = std::strlen(prefix);
    long long total = static_cast<long long>(np) + zeros + nd;
    long long pad = cv.width > total ? cv.width - total : 0;
    if (!cv.left && !(cv.zero && cv.precision < 0))
        emit(out, ' ', pad);
    emit_str(out, prefix, np);
    if (!cv.left && cv.zero && cv.precision < 0)
        emit(out, '0', pad);
    emit(out, '0', zeros);
    while (nd > 0)
        emit(out, digits[--nd]);
    if (cv.left)
        emit(out, ' ', pad);
}

int oc_itoa(const int var[])
{
    const char *format = "%d";
    if (var[VAR_F] != 0) {
        format = oc_text(var[VAR_F]);
        if (!format)
            return 0;
    }
    // exactly one integer conversion: anything else would read arguments that are not there
    Out out;
    out.len = 0;
    int conversions = 0;
    for (const char *p = format; *p;) {
        if (*p != '%') {
            emit(&out, *p++);
            continue;
        }
        p++;
        if (*p == '%') {
            emit(&out, '%');
            p++;
            continue;
        }
        Conversion cv;
        if (!read_conversion(&p, &cv) || ++conversions > 1)
            return 0;
        format_int(&out, cv, var[VAR_I]);
    }
    if (conversions != 1)
        return 0;
    std::memcpy(buf, out.text, out.len);
    buf[out.len] = '\0';
    return oc_return_text(buf);
}

int oc_strcat(const int var[])
{
    const char *c = oc_text(var[VAR_C]);
    const char *p = oc_text(var[VAR_P]);
    if (!c || !p)
        return 0;
    // cut to what buf holds
    std::size_t nc = strnlen(c, BUF_SIZE - 1);
    std::memcpy(buf, c, nc);
    std::size_t np = strnlen(p, BUF_SIZE - 1 - nc);
    std::memcpy(buf + nc, p, np);
    buf[nc + np] = '\0';
    return oc_return_text(buf);
}
