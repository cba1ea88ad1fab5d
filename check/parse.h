/*
 * parse.h - what the parse (parse.cpp) and the parse after an edit
 * (reparse.cpp) share. Nothing else sees it.
 */
#ifndef PARSE_H
#define PARSE_H

#include "check.h"

/* ---- parse.cpp ---- */
extern int parse_cursor;   // the next token for the parser
// The shift of quill's lines in force at token tok.
int64_t parse_less_at(const std::vector<LineShift> &shifts, int tok);
void parse_line_starts(Script &s);   // where each line of the text as scanned starts
void parse_add_item(Script &s, const Item &item);   // a run joins the run before it
// Scans and parses s.scanned from offset from (quill's line there: line),
// the tokens before it kept. -1: it could not be read; 0: the scanner
// failed, and nothing after was scanned; 1: parsed to the end or to where
// the old parse takes over.
int parse_from(Script &s, uint64_t from, int32_t line);

/* ---- reparse.cpp ---- */
// At an item start of the new parse: whether the old parse takes over there.
bool reparse_meets(const Script &s, int tok);
void reparse_forget(void);   // no old parse: a whole script

#endif
