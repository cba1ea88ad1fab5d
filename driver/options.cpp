/*
 * options.cpp - the option loop, the run in its fixed order, and the
 * folding of the last access value into an exit status.
 */
#include "quill.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

int32_t driver_strtol32(const char *text)
{
    long v = std::strtol(text, nullptr, 0);   // long is 64-bit here: clamp by hand
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
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
            yyin = std::fopen(args[i + 1], "r");   // an earlier -f's stream stays open
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
    // text mode: the input layer translates CR LF and Ctrl-Z itself
    yyparse();
    // output that never arrived is a failure, not the script's status
    if (int err = eval_output_error()) {
        diag_cannot_write(err);
        return 1;
    }
    return driver_fold_status(ev);
}
