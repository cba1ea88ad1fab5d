/*
 * options.cpp - the option loop, the run in its fixed order, and the
 * folding of the last access value into an exit status.
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
int32_t driver_strtol32(const char *text)
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
int driver_options(int argc, char **argv)
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
            poolsize = driver_strtol32(args[i + 1]);
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

int driver_fold_status(int32_t value)
{
    if (value >= 0 && value <= 255)
        return value;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    return static_cast<int>(magnitude % 256);
}

int driver_run(void)
{
    set_func(assign_str, assign_array, display_pool, display_pool_as_int);
    if (!pool_create(poolsize))
        diag_cannot_allocate_pool(poolsize);
    if (!yyin)
        yyin = stdin;
    items_configure();
    output_fault = diag_output_failed;
    output_start();
    // standard input is in text mode since start-up (streams_prepare)
    yyparse();
    output_flush();   // output that never arrived is a failure, not the script's status
    return driver_fold_status(ev);
}
