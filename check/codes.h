/*
 * codes.h - every code a finding can have: its number, its severity (and
 * the milder one a case may take instead), the stage that finds it, and
 * what it means in a line. The one list: quill-check(1) describes the same
 * codes with the same severities, and a test holds the two together.
 */
#ifndef CODES_H
#define CODES_H

// The parse finds the first few and keeps them across an edit; the
// analyses find the rest again after every parse.
#define CHECK_CODES(X)                                                                                          \
    /* name           VTnnn severity milder   stage     summary */                                              \
    X(SYNTAX,            1, ERROR,   ERROR,   PARSE,    "a syntax error: quill stops here")                     \
    X(TOO_DEEP,          2, ERROR,   ERROR,   PARSE,    "nested too deeply for quill's parser")                 \
    X(QUOTE_OPEN,        3, ERROR,   ERROR,   PARSE,    "a quote that is never closed")                         \
    X(HIGH_BYTE,         4, ERROR,   ERROR,   PARSE,    "a byte of 128 or more ends the script")                \
    X(NUL,               5, ERROR,   ERROR,   PARSE,    "a NUL byte ends the script")                           \
    X(STOPS_READING,     6, ERROR,   ERROR,   PARSE,    "quill stops reading the script, or it is too large")   \
    X(NO_DEFINITION,    10, ERROR,   ERROR,   ANALYSIS, "no definition where the search looks")                 \
    X(TOO_FEW,          11, ERROR,   ERROR,   ANALYSIS, "fewer definitions than the search counts")             \
    X(SECOND_LABEL,     12, ERROR,   ERROR,   ANALYSIS, "a second label in a statement breaks searches")        \
    X(JUMP_IN_BRACKETS, 14, ERROR,   WARNING, ANALYSIS, "a jump inside brackets: its firing is a syntax error") \
    X(LABEL_STATEMENT,  20, WARNING, WARNING, ANALYSIS, "`X;` does nothing: `X:` defines a label")              \
    X(UNUSED_LABEL,     21, STYLE,   STYLE,   ANALYSIS, "a label definition no jump lands on")                  \
    X(NEVER_RUNS,       22, WARNING, WARNING, ANALYSIS, "statements that never run")                            \
    X(NEVER_SET,        30, WARNING, WARNING, ANALYSIS, "a variable read before anything sets it")              \
    X(SERVICE_GETS_0,   31, WARNING, WARNING, ANALYSIS, "a service reads a text nothing has set")               \
    X(ASSIGN_CONDITION, 40, WARNING, WARNING, ANALYSIS, "an assignment as a condition")                         \
    X(PUT_TEXT,         41, WARNING, WARNING, ANALYSIS, "put of a text or an array prints its address")         \
    X(PUTS_NUMBER,      42, WARNING, WARNING, ANALYSIS, "puts of a number takes it for an address")             \
    X(TEXT_ELEMENT,     43, INFO,    INFO,    ANALYSIS, "an element of a text reads 4 bytes as one number")

enum class Code : int {
#define CHECK_CODE_ENUM(name, number, ...) name = number,
    CHECK_CODES(CHECK_CODE_ENUM)
#undef CHECK_CODE_ENUM
};

#endif
