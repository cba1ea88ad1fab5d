/*
 * parse.h - what the files of the parse share: the scan (scan.cpp), the
 * parser's tokens and items (items.cpp) and the grammar's actions
 * (actions.cpp) below the grammar; the parse (parse.cpp) and the parse after
 * an edit (reparse.cpp) above it. Nothing else sees it.
 */
#ifndef PARSE_H
#define PARSE_H

#include <cstdio>

#include "check.h"

/* ---- scan.cpp ---- */
extern bool scan_more;   // the scanner has more to give
// A stream of size bytes at data; null if none can be made.
std::FILE *scan_open(const char *data, std::size_t size);
void scan_lines(Script &s);   // where each line of the text as scanned starts
// The text as the scanner reads it (a byte-order mark at the start skipped,
// CR LF as LF, nothing from Ctrl-Z on), and where each of its lines starts.
void scan_text(Script &s);
// The scan reads f, the text as scanned from offset base on (quill's line
// there: line + 1); its tokens follow the first ones of the script.
void scan_start(Script &s, std::FILE *f, uint64_t base, int32_t line, std::size_t first);
bool scan_one(Script &s);   // one more token; false once the end of input is in
// The scanner gave up (why: its message): a token where it stopped, and the finding.
void scan_failed(Script &s, const char *why);

/* ---- items.cpp ---- */
extern Script *items_script;    // the script being parsed
extern int items_cursor;        // the next token for the parser
extern int items_first;         // the first token of the item being parsed
extern int items_nodes;         // the node count when it began
extern int items_error_tok;     // where a syntax error stopped the parser, -2 at the end of input
extern const char *items_error_msg;
// Whether the old parse takes over at token tok, an item start of the new
// one; null for no old parse.
extern bool (*items_meets)(const Script &s, int tok);
void items_start(Script &s, int tok);              // the parser starts an item at tok
void items_add(Script &s, const Item &item);       // a run joins the run before it
// For the actions: the last token of the rule being reduced, the token the
// parser read n before tok (tokens it never saw skipped), and an item's end.
int items_rule_last(void);
int items_back(int tok, int n);
void items_end(ItemKind kind, int root);

/* ---- parse.cpp ---- */
// Scans and parses s.scanned from offset from (quill's line there: line + 1),
// the tokens before it kept, until the end or an item start where meets
// holds. -1: it could not be read; 0: the scanner failed, and nothing after
// was scanned; 1: parsed to the end or to where meets held.
int parse_from(Script &s, uint64_t from, int32_t line, bool (*meets)(const Script &s, int tok));

#endif
