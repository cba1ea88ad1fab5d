/*
 * grammar_actions.h - what the grammar's actions call when quill-check
 * builds the parser: every helper of the interpreter under its own name,
 * each making a node of the statement's tree (actions.cpp) instead of
 * running it, and where a syntax error stops the parser (items.cpp).
 * The values are node numbers; the tokens' values stay as the
 * interpreter's scanner gives them.
 */
#ifndef GRAMMAR_ACTIONS_H
#define GRAMMAR_ACTIONS_H

#include <cstdint>

#include "actions.h"
#include "tokens.h"

void diag_syntax(const char *msg);
extern int yychar;   // the parser's lookahead, YYEMPTY when it has none
const char *diag_parser_text(const char *bison_text);

#endif
