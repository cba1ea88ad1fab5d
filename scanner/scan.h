/*
 * scan.h - what the parts of scanner/ share. From the top down: the token
 * stream (tokens.cpp), flex's scanner (scanner.l), the literals' texts
 * (texts.cpp) and the input layer (input.cpp). Nothing outside sees it.
 */
#ifndef SCAN_H
#define SCAN_H

#include "tokens.h"

#include <cstdlib>

/* ---- scanner.l ---- */
int scan_token(void);                // the next token's code, 0 at the end; its value in scan_value
constexpr int SCAN_CHAR = 300;       // scan_token: a character token, its code in scan_value
extern int32_t scan_value;
extern uint32_t scan_lines;          // line feeds scanned so far, texts excluded
extern uint64_t scan_offset;         // bytes matched so far, in the text as read
// A number literal's digits in the given base, held at 2147483647.
int32_t scan_number(const char *digits, int base);
void yyrestart(FILE *f);
extern int yyleng;

/* ---- input.cpp (the bottom: it calls nothing else here) ---- */
// Fills buf with up to max bytes of script text, text mode applied.
int input_read(char *buf, int max, int interactive);
void input_reset(void);              // a new stream
uint64_t input_bytes(void);          // handed to the scanner so far

/* ---- texts.cpp ---- */
int texts_add(const char *text, int len);   // a literal's text; its offset
void texts_reset(void);

// Appends p to a pointer array that doubles when full; no memory ends the scan.
template <typename T> void scan_grow(T **&array, uint32_t &n, T *p)
{
    if ((n & (n - 1)) == 0) {   // a power of two: full
        void *bigger = std::realloc(array, (n ? 2 * n : 1) * sizeof(T *));
        if (!bigger)
            tokens_fail(ScanFault::NO_MEMORY);
        array = static_cast<T **>(bigger);
    }
    if (!p)
        tokens_fail(ScanFault::NO_MEMORY);
    array[n++] = p;
}

#endif
