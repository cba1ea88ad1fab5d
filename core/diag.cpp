/*
 * diag.cpp - every diagnostic the interpreter writes, and its one way out.
 */
#include "quill.h"

#include <cstdarg>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#ifdef QUILL_FUZZ
std::jmp_buf *diag_exit_jump;   // the fuzz harness catches every exit here
#endif

/* Each message follows whatever the script printed before it: waiting
   output goes first (output_flush), here and before every other write to
   stderr (trace.cpp, dump.cpp). */
void diag_fatal(int status, const char *fmt, ...)
{
    output_flush();
    std::va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fflush(stderr);
#ifdef QUILL_FUZZ
    if (diag_exit_jump)
        std::longjmp(*diag_exit_jump, status + 1);
#endif
    std::exit(status);
}

void diag_scan_failed(ScanFault fault, const char *flex_text)
{
    switch (fault) {
    case ScanFault::READ_FAILED: diag_fatal(2, "#cannot read script input.\n");
    case ScanFault::NO_MEMORY: diag_fatal(2, "%s\n", "out of dynamic memory for the script");
    default: diag_fatal(2, "%s\n", flex_text);
    }
}

void diag_pool_over(const char *what)
{
    if (run_hooks)
        run_hooks->report(RunReport::WRAP, what);
    output_flush();
    std::fprintf(stderr, "\nline:%d Pool over. (%s)\n", line_no, what);
    std::fflush(stderr);
}

void diag_runtime(const char *what)
{
    if (run_hooks)
        run_hooks->report(RunReport::FAULT, what);
    diag_fatal(1, "\nline:%d %s\n", line_no, what);
}

void diag_syntax(const char *msg)
{
    if (run_hooks)
        run_hooks->report(RunReport::SYNTAX, msg);
    output_flush();
    std::fprintf(stderr, "\n#line:%d %s\n", line_no, msg);
    std::fflush(stderr);
    std::fprintf(stderr, "   (more sample infomation '-H')\n");   /* sic */
    std::fflush(stderr);
}

const char *diag_parser_text(const char *bison_text)
{
    if (std::strcmp(bison_text, "memory exhausted") == 0)
        return "parser stack overflow";
    return bison_text;
}

void diag_cannot_open(const char *name)
{
    output_flush();
    std::fprintf(stderr, "#cannot open file (%s).\n", name);
}

void diag_cannot_allocate_pool(int32_t size)
{
    diag_fatal(1, "#cannot allocate pool (%d bytes).\n", size);
}

void diag_output_failed(int err)
{
    diag_fatal(1, "#cannot write standard output (%s).\n", std::strerror(err));
}
