/*
 * options.cpp - the option loop, and the number -s takes.
 */
#include "quill.h"

#include "streams.h"

#include <algorithm>
#include <cstring>

static int digit_value(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        return (c | 0x20) - 'a' + 10;
    return 99;
}

/* strtol with base 0, written out: long is 64-bit here, and newer C
   libraries also take a 0b prefix, which -s never did. */
int32_t options_strtol32(const char *text)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int base = 10;
    if (p[0] == '0' && (p[1] | 0x20) == 'x' && digit_value(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    int64_t v = 0;
    for (int d; (d = digit_value(*p)) < base; p++)
        v = std::min<int64_t>(v * base + d, int64_t(INT32_MAX) + 1);   // held past the range
    v = negative ? -v : v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

/* Each argument is tested against every option, even one that was just
   used as a file name or size; arg lets one plain argument through after
   -f or -s (and after any option following them). */
int options_read(int argc, char **argv)
{
    int n = argc - 1;
    char **args = argv + 1;
    int arg = 0;
    for (int i = 0; i < n; i++) {
        const char *a = args[i];
        if (std::strcmp(a, "-h") == 0) {
            usage();
            return 1;
        } else if (std::strcmp(a, "-g") == 0) {
            quilldebug = 1;
        } else if (std::strcmp(a, "-H") == 0) {
            moreinfo();
            return 1;
        } else if (std::strcmp(a, "-f") == 0) {
            if (i + 1 >= n) {
                usage();
                return 1;
            }
            // an earlier -f's stream stays open; started programs never inherit it
            yyin = streams_open_script(args[i + 1]);
            if (!yyin) {
                diag_cannot_open(args[i + 1]);
                return 1;
            }
            arg = 1;
        } else if (std::strcmp(a, "-s") == 0) {
            if (i + 1 >= n) {
                usage();
                return 1;
            }
            poolsize = options_strtol32(args[i + 1]);
            arg = 1;
        } else if (arg) {
            arg = 0;
        } else {
            usage();
            return 1;
        }
    }
    return -1;
}
