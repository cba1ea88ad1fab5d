/*
 * trace.cpp - the -g rule trace: one line per reduced rule, on stderr.
 */
#include "quill.h"

#include <cstdarg>
#include <cstring>
#include <vector>

int32_t quilldebug;   // -g: trace every rule

// ORDER RULES: indexed by rule (rules.h); the misspellings are the system's own
static const char *const FORMATS[] = {
    nullptr,                                          // 0 (no rule)
    nullptr,                                          // 1 accept
    nullptr,                                          // 2 s: list
    nullptr,                                          // 3 list: empty
    "[%5d] list NL\n",                                // 4
    "[%5d] list expr NL:%d\n",                        // 5
    "[%5d] list LABEL COL:%d\n",                      // 6
    "[%5d] list LABEL NL:%d,%d\n",                    // 7
    "[%5d] expr OPADD expr:%d,%d(%d)\n",              // 8
    "[%5d] expr OPSUB expr:%d,%d(%d)\n",              // 9
    "[%5d] expr OPMUL expr:%d,%d(%d)\n",              // 10
    "[%5d] expr OPDIV expr:%d,%d(%d)\n",              // 11
    "[%5d] expr OPMOD expr:%d,%d(%d)\n",              // 12
    "[%5d] expr OPAND expr:%d,%d(%d)\n",              // 13
    "[%5d] expr OPOR expr:%d,%d(%d)\n",               // 14
    "[%5d] MINUS expr:%d(%d)\n",                      // 15
    "[%5d] LP expr RP:%d(%d)\n",                      // 16
    "[%5d] VARIABLE OPSET expr:%d,%d(%d)\n",          // 17
    "[%5d] VARIABLE OPSTRCP expr:%d,%s(%s)\n",        // 18
    "[%5d] OPIF expr LABEL:%d,%d\n",                  // 19
    "[%5d] OPIF expr ATMARK expr LABEL:%d,%d,%d\n",   // 20
    "[%5d] OPBELOW LABEL:%d\n",                       // 21
    "[%5d] OPBELOW ATMARK expr LABEL:%d,%d\n",        // 22
    "[%5d] OPABOVE LABEL:%d\n",                       // 23
    "[%5d] OPABOVE ATMARK expr LABEL:%d,%d\n",        // 24
    "[%5d] PRINT expr:%d(%d)\n",                      // 25
    "[%5d] PRINTS expr:%s(%s)\n",                     // 26
    "[%5d] FUNC expr:%d(%d)\n",                       // 27
    "[%5d] OPNEW expr:%d(%d)\n",                      // 28
    "[%5d] expr OPGT expr:%d,%d(%d)\n",               // 29
    "[%5d] expr OPLT expr:%d,%d(%d)\n",               // 30
    "[%5d] expr OPGE expr:%d,%d(%d)\n",               // 31
    "[%5d] expr OPLE expr:%d,%d(%d)\n",               // 32
    "[%5d] expr OPEQ expr:%d,%d(%d)\n",               // 33
    "[%5d] expr OPNE expr:%d,%d(%d)\n",               // 34
    "[%5d] OPNO expr:%d(%d)\n",                       // 35
    "[%5d] NUMBER:%d(%d)\n",                          // 36
    "[%5d] STRING:%s(%s)\n",                          // 37
    "[%5d] variable:%d(%d)\n",                        // 38
    "[%5d] VERIABLE:%d(%d)\n",                        // 39 sic
    "[%5d] VARIABLE LB expr RB:%d,%d(%d)\n",          // 40
    "[%5d] VARIAVLE (addr):%d(%d)\n",                 // 41 sic
    "[%5d] VARIABLE LB expr RB (addr):%d,%d(%d)\n",   // 42
};
static_assert(sizeof FORMATS / sizeof FORMATS[0] == RULE_COUNT, "one format per rule");

// The values follow the rule's format: ints for %d, C strings for %s.
// One write per line, however long the texts in it.
void trace_rule(int rule, ...)
{
    output_flush();
    char line[512];
    int head = std::snprintf(line, sizeof line, "[%5d]", line_no);
    const char *rest = FORMATS[rule] + 5;   // after its own "[%5d]"
    std::va_list ap, again;
    va_start(ap, rule);
    va_copy(again, ap);
    int n = std::vsnprintf(line + head, sizeof line - head, rest, ap);
    if (n >= 0 && static_cast<std::size_t>(head + n) < sizeof line) {
        std::fwrite(line, 1, static_cast<std::size_t>(head + n), stderr);
    } else if (n >= 0) {
        std::vector<char> big(static_cast<std::size_t>(head + n) + 1);
        std::memcpy(big.data(), line, static_cast<std::size_t>(head));
        std::vsnprintf(big.data() + head, big.size() - head, rest, again);
        std::fwrite(big.data(), 1, big.size() - 1, stderr);
    }
    va_end(again);
    va_end(ap);
    std::fflush(stderr);
}

void trace_top(void)
{
    output_flush();
    std::fprintf(stderr, "[%5d] --top--\n", line_no);
    std::fflush(stderr);
}

