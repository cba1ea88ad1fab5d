/*
 * expr.h - an expression typed into the debugger (a watch, a hover, a
 * breakpoint's condition, a logpoint's {value}), read by quill's own
 * grammar through quill-check and turned into the postfix ops quill's
 * agent evaluates. Only what changes nothing is taken.
 */
#ifndef DEBUG_EXPR_H
#define DEBUG_EXPR_H

#include <string>

// The ops for text; false with *why when it is no expression or would
// change the run (a func, new, a text in quotes, an assignment, a jump, a print).
bool expr_compile(const std::string &text, std::string *ops, std::string *why);
// The debug console's statements (one or more, the last ';' optional): what
// changes the run is taken too, but jumps, which would move it, and ':='.
bool expr_compile_statements(const std::string &text, std::string *ops, std::string *why);

#endif
