/*
 * scan.h - what the parts of scanner/ share: flex's scanner, the input
 * layer under it, and the token stream above it. Nothing outside sees it.
 */
#ifndef SCAN_H
#define SCAN_H

#include "tokens.h"

/* ---- scanner.l ---- */
int scan_token(void);                // the next token's code, 0 at the end; its value in scan_value
constexpr int SCAN_CHAR = 300;       // scan_token: a character token, its code in scan_value
extern int32_t scan_value;
extern uint32_t scan_lines;          // line feeds scanned so far, texts excluded
void yyrestart(FILE *f);

/* ---- input.cpp ---- */
// Fills buf with up to max bytes of script text, text mode applied.
int input_read(char *buf, int max, int interactive);
void input_reset(void);              // a new stream
// A number literal's digits in the given base, held at 2147483647.
int32_t scan_number(const char *digits, int base);

/* ---- tokens.cpp ---- */
int tokens_add_text(const char *text, int len);   // a literal's text; its offset

#endif
