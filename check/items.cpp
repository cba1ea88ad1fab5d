/*
 * items.cpp - what the second parser calls besides the grammar's actions
 * (actions.cpp): yylex, which hands it every token unfiltered (a search
 * filters nothing here), scanned as it asks; where a syntax error stopped
 * it; and the end of each item, which joins the script's list. The parse
 * (parse.cpp) starts it at an item and goes on after its errors.
 */
#include "grammar_actions.h"
#include "parse.h"

#include <cstring>

Script *items_script;
int items_cursor;
int items_first;
int items_nodes;
int items_error_tok = -1;
const char *items_error_msg;
bool (*items_meets)(const Script &s, int tok);

namespace {

int last_delivered = -1, prev_delivered = -1;

}  // namespace

void items_start(Script &s, int tok)
{
    items_script = &s;
    items_cursor = items_first = tok;
    last_delivered = prev_delivered = tok - 1;
    items_nodes = static_cast<int>(s.nodes.size());
    items_error_tok = -1;
}

void items_add(Script &s, const Item &item)
{
    if (item.kind == ItemKind::EMPTY && !s.items.empty() && s.items.back().kind == ItemKind::EMPTY &&
        s.items.back().last + 1 == item.first)
        s.items.back().last = item.last;
    else
        s.items.push_back(item);
}

/* ---- for the actions ---- */

int items_rule_last(void)
{
    return yychar == YYEMPTY ? last_delivered : prev_delivered;
}

int items_back(int tok, int n)
{
    const Chunks<Tok> &toks = items_script->toks;
    while (n > 0 && tok > 0)
        n -= toks[static_cast<std::size_t>(--tok)].code > 0;   // NULs and high bytes never reach it
    return tok;
}

void items_end(ItemKind kind, int root)
{
    int last = items_rule_last();
    if (kind == ItemKind::DEFINITION)
        kind = ItemKind::EMPTY;   // nothing runs there either: one item for a run of them
    items_add(*items_script, Item{kind, items_first, last, kind == ItemKind::EMPTY ? -1 : root, items_nodes});
    items_first = last + 1;
    items_nodes = static_cast<int>(items_script->nodes.size());
}

/* ---- for the parser ---- */

int yylex(void)
{
    Script &s = *items_script;
    for (;;) {
        while (items_cursor >= static_cast<int>(s.toks.size()))
            if (!scan_more || !scan_one(s))
                if (items_cursor >= static_cast<int>(s.toks.size()))
                    return 0;
        if (items_cursor == items_first && items_meets && items_meets(s, items_cursor))
            return 0;   // the rest is the old parse's
        int i = items_cursor++;
        const Tok &t = s.toks[static_cast<std::size_t>(i)];
        if (t.code < 0 || (t.code == 0 && (scan_more || i + 1 < static_cast<int>(s.toks.size()))))
            continue;   // a NUL or a byte of 128 or more: reported, and read past
        prev_delivered = last_delivered;
        last_delivered = i;
        yylval = t.code == STRING ? i : t.value;
        return t.code;
    }
}

void diag_syntax(const char *msg)
{
    items_error_msg = msg;
    items_error_tok = yychar == YYEOF ? -2 : last_delivered;
}

const char *diag_parser_text(const char *bison_text)
{
    return std::strcmp(bison_text, "memory exhausted") == 0 ? "parser stack overflow" : bison_text;
}
