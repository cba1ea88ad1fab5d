/*
 * items.cpp - the parser's tokens. yylex reads the token stream, drops what
 * a pending label search filters, and hands literals and values over as
 * the rules want them. Where the parser stands at the start of an item, the
 * fast paths go first: the label search (jump.cpp) carries a search to its
 * target, and recorded items (record.cpp, replay.cpp) run without the
 * parser; the parser gets the first item they cannot take.
 */
#include "quill.h"

#include "native.h"

#include <cstdlib>
#include <cstring>

bool items_fast = true;   // off: every token goes through the parser
uint64_t items_parsed;    // items handed to the parser

static bool item_start = true;   // the last token the parser got ended an item
const RunHooks *run_hooks;        // a debugger's, or null
RunWatch run_watch;

// A token read under a debugger: when it is the first of an item about to
// run (not of an empty statement, where nothing runs), the debugger sees
// the start. True when it moved the read position (a goto). Out of yylex's
// way: without a debugger the reader pays one test.
[[gnu::noinline]] static bool hook_token(uint8_t kind, int search)
{
    if (!item_start || search || kind == K_END || (kind == token_kind(NL) && !run_watch.forward))
        return false;
    run_watch.pos = tokens_pos() - 1;
    run_watch.line = line_no;
    run_watch.writes = WRITES_ALL;
    return run_hooks->item(run_watch.pos, line_no);
}

// At an item start: let the label search and the recorded items run as far
// as they apply; the parser takes over where they do not.
static void run_fast(void)
{
    for (;;) {
        int jumped = jump_search_step();
        if (jumped < 0)
            return;
        if (jumped > 0)
            continue;
        int32_t *state = tokens_item_word(tokens_pos());
        if (!state)
            return;
        if (*state >= ITEM_FIRST_RECORD) {
            replay_run(*state - ITEM_FIRST_RECORD);   // its CHECK shows a debugger its start
            continue;
        }
        if (*state == ITEM_SEEN && record_begin())
            continue;   // known at once: run it as a record
        if (*state == ITEM_NEW)
            *state = ITEM_SEEN;
        return;
    }
}

int yylex(void)
{
    if (item_start) {
        if (items_fast && !quilldebug)
            run_fast();
        items_parsed++;
        output_check();
    }
    int search = skip();
    for (;;) {
        const Token *t = tokens_next();
        if (!t)
            return 0;
        uint8_t kind = t->kind;
        if (__builtin_expect(run_hooks != nullptr, 0) && hook_token(kind, search))
            continue;   // the debugger moved the run: the token there is read
        if (static_cast<uint8_t>(kind - K_PLAIN) <= K_PLAIN_LAST - K_PLAIN) {
            if (search)
                continue;
            item_start = false;
            return kind + 256;
        }
        switch (kind) {
        case K_END:
            if (search && run_hooks)
                run_hooks->lost();
            return 0;
        case K_CHAR:
            if (search)
                continue;
            item_start = false;
            return t->value;
        case token_kind(NL):
        case token_kind(COL):
            item_start = true;
            return kind + 256;
        case token_kind(LABEL):
            yylval = t->value;
            item_start = false;
            return LABEL;
        }
        if (search)
            continue;
        if (kind == token_kind(STRING)) {
            const char *text = texts_at(t->value);
            yylval = pool_literal(text, static_cast<int>(std::strlen(text)));
        } else {
            yylval = t->value;   // NUMBER, VARIABLE
        }
        item_start = false;
        return kind + 256;
    }
}

// What the stream below calls back: its faults, and a read that may wait.
static void hook_stream(void)
{
    tokens_fault = diag_scan_failed;
    tokens_reading = output_flush;   // a prompt shows before the script's next line is read
}

void items_reset(void)
{
    hook_stream();
    tokens_reset();
    item_start = true;
    items_parsed = 0;
    jump_reset();
    record_reset();
    native_reset();   // its code was made from the records
}

// An environment switch: set, and neither empty nor 0.
static bool switched_on(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value && std::strcmp(value, "0") != 0;
}

void items_configure(void)
{
    hook_stream();
    items_fast = !switched_on("QUILL_SLOW");
    record_list = switched_on("QUILL_LIST");
    native_configure(std::getenv("QUILL_NATIVE"));
}
