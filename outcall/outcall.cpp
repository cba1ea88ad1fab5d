/*
 * outcall.cpp - the library's entry points: set_func fills the callback
 * table, outcall dispatches on the function number and outcall_quiet
 * answers for it, both from the catalogue (services.h); the services -2..0
 * and 6 that only print.
 */
#include "outcall_int.h"
#include "services.h"

#include <cstdio>

extern "C" OUTCALL_API void set_func(ASSIGN_STR_PTR p1, ASSIGN_ARRAY_PTR p2,
                                     DISPLAY_POOL_PTR p3, DISPLAY_POOL_AS_INT_PTR p4)
{
    assign_str = p1;
    assign_array = p2;
    display_pool = p3;
    display_pool_as_int = p4;
}

// ORDER USAGE: one entry per function number -1..18
static const char USAGE_LIST[] =
    "(  -1)NAME         : usage list ---------------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : none\n\n"
    "(   0)NAME         : display_pool -------------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : none\n\n"
    "(   1)NAME         : fgets as string ----------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : string\n\n"
    "(   2)NAME         : fgets as int -------------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : int\n\n"
    "(   3)NAME         : getenv -------------------\n"
    "      PARAMETER    : e (env name)\n"
    "      RETURN VALUE : value string\n\n"
    "(   4)NAME         : strcmp -------------------\n"
    "      PARAMETER    : c (1st string)\n"
    "      PARAMETER    : p (2nd string)\n"
    "      RETURN VALUE : 0(match), !=0(no-match)0\n\n"      /* sic */
    "(   5)NAME         : execute ------------------\n"
    "      PARAMETER    : e (command)\n"
    "      PARAMETER    : a (argv[] last is NULL)\n"
    "      PARAMETER    : t (wait)\n"
    "      RETURN VALUE : none0\n\n"                         /* sic */
    "(   6)NAME         : display_pool_as_int ------\n"
    "      PARAMETER    : i (array)\n"
    "      PARAMETER    : s (size)\n"
    "      RETURN VALUE : none\n\n"
    "(   7)NAME         : SendMessage --------------\n"
    "      PARAMETER    : w (window title)\n"
    "      PARAMETER    : m (message string)\n"
    "      RETURN VALUE : none\n\n"
    "(   8)NAME         : sleep --------------------\n"
    "      PARAMETER    : i (interval mili-sec)\n"              /* sic */
    "      RETURN VALUE : none\n\n"
    "(   9)NAME         : atoi ---------------------\n"
    "      PARAMETER    : a (string)\n"
    "      RETURN VALUE : int\n\n"
    "(  10)NAME         : itoa ---------------------\n"
    "      PARAMETER    : i (int)\n"
    "      PARAMETER    : f (format)\n"
    "      RETURN VALUE : string\n\n"
    "(  11)NAME         : strcat -------------------\n"
    "      PARAMETER    : c (1st string)\n"
    "      PARAMETER    : p (2nd string)\n"
    "      RETURN VALUE : string\n\n"
    "(  12)NAME         : sendclipboard ------------\n"
    "      PARAMETER    : p (string)\n"
    "      RETURN VALUE : none\n\n"
    "(  13)NAME         : open/readdir ------------\n"
    "      PARAMETER    : f (wild string)\n"
    "      RETURN VALUE : string\n\n"
    "(  14)NAME         : closedir ------------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : none\n\n"
    "(  15)NAME         : open/readfile ------------\n"
    "      PARAMETER    : f (filepath)\n"
    "      RETURN VALUE : string\n\n"
    "(  16)NAME         : closefile ------------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : none\n\n"
    "(  17)NAME         : open/get file size ------------\n"
    "      PARAMETER    : f (filepath)\n"
    "      RETURN VALUE : int\n\n"
    "(  18)NAME         : beep ------------\n"
    "      PARAMETER    : none\n"
    "      RETURN VALUE : none\n\n";

static int oc_version(const int[])
{
    std::fputs("version 1.2.9_001\n", stdout);   // the library's own fixed text
    return 0;
}

static int oc_usage(const int[])
{
    std::fputs(USAGE_LIST, stdout);
    return 0;
}

static int oc_dump_pool(const int[])
{
    if (display_pool)
        display_pool();
    return 0;
}

static int oc_dump_array(const int var[])
{
    if (display_pool_as_int)
        display_pool_as_int(var[VAR_I], var[VAR_S]);
    return 0;
}

#ifdef OUTCALL_SAFE
constexpr bool LEFT_OUT = true;    // the fuzzing build: no service reaches outside
#else
constexpr bool LEFT_OUT = false;
#endif

/* noexcept: an exception (no memory for a std::vector) ends the process here,
   in this library's own C++ runtime, instead of reaching a host that has
   another runtime or none. */
static int dispatch(int no, int var[]) noexcept
{
    switch (no) {
#define SERVE(number, handler, flags, ...) \
    case number: \
        return LEFT_OUT && (flags & SERVICE_OUTSIDE) ? 0 : handler(var);
        OUTCALL_SERVICES(SERVE)
#undef SERVE
    default:
        break;
    }
    std::fputs("Invalid Function No!\n", stdout);
    std::fflush(stdout);
    return 0;
}

extern "C" OUTCALL_API int outcall(int no, int var[])
{
    return dispatch(no, var);
}

/* The calls that can neither show nor read anything (the catalogue's
   SERVICE_QUIET), so a host may leave its own held output waiting across
   them: -2 and -1 print through stdout without flushing it, the rest only
   work on texts and numbers. */
extern "C" OUTCALL_API int outcall_quiet(int no)
{
    switch (no) {
#define QUIET(number, handler, flags, ...) \
    case number: \
        return (flags & SERVICE_QUIET) != 0;
        OUTCALL_SERVICES(QUIET)
#undef QUIET
    default:
        return 0;
    }
}
