/*
 * jump.cpp - labels and jumps. A jump only sets a search counter; yylex's
 * filter then drops tokens until the wanted definition passes. The label
 * search below crosses the items in between in one step.
 */
#include "quill.h"

#include <cstring>

int8_t label[NLABELS];   // pending search count per label A..Z
int32_t top;             // an above waits for the end of its statement

// Asked for every token: look at all 26 counters in four loads.
int skip(void)
{
    static_assert(NLABELS == 26, "8 + 8 + 8 + 2 bytes");
    uint64_t a, b, c;
    uint16_t d;
    std::memcpy(&a, label, 8);
    std::memcpy(&b, label + 8, 8);
    std::memcpy(&c, label + 16, 8);
    std::memcpy(&d, label + 24, 2);
    return (a | b | c | d) != 0;
}

// Only the low 8 bits of a count are kept, read back as signed.
int32_t jump_set_count(int lab, int32_t count)
{
    label[lab] = static_cast<int8_t>(static_cast<uint8_t>(count & 0xff));
    return label[lab];
}

// A search started (a count of 0 or less starts none): the debugger's
// trail. Out of line: the jump helpers stay small enough to inline.
[[gnu::noinline]] static void hook_jump(int lab)
{
    if (label[lab] > 0)
        run_hooks->jumped(lab);
}

// A search the parser carried ends at this definition: the debugger's stop.
[[gnu::noinline]] static void hook_landed(void)
{
    run_watch.pos = tokens_pos() - 2;   // the ':' is read, the label before it
    run_watch.line = line_no;
    run_hooks->landed(run_watch.pos, line_no);
}

int32_t jump_if(int32_t cond, int lab)
{
    if (cond) {
        label[lab] = 1;
        if (run_hooks)
            hook_jump(lab);
    }
    reduced(R_IF, lab, cond, lab);
    return cond;
}

int32_t jump_if_count(int32_t cond, int32_t count, int lab)
{
    if (cond) {
        jump_set_count(lab, count);
        if (run_hooks)
            hook_jump(lab);
    }
    reduced(R_IF_COUNT, lab, cond, count, lab);
    return cond;
}

int32_t jump_below(int lab)
{
    label[lab] = 1;
    if (run_hooks)
        hook_jump(lab);
    reduced(R_BELOW, lab, lab);
    return lab;
}

int32_t jump_below_count(int32_t count, int lab)
{
    int32_t r = jump_set_count(lab, count);
    if (run_hooks)
        hook_jump(lab);
    reduced(R_BELOW_COUNT, lab, count, lab);
    return r;
}

int32_t jump_above(int lab)
{
    label[lab] = 1;
    top = 1;
    if (run_hooks)
        hook_jump(lab);
    reduced(R_ABOVE, lab, lab);
    return lab;
}

int32_t jump_above_count(int32_t count, int lab)
{
    int32_t r = jump_set_count(lab, count);
    top = 1;
    if (run_hooks)
        hook_jump(lab);
    reduced(R_ABOVE_COUNT, lab, count, lab);
    return r;
}

void jump_define(int lab)
{
    bool searched = label[lab] > 0;
    label[lab] = searched ? static_cast<int8_t>(label[lab] - 1) : 0;
    if (run_hooks && searched && !skip())
        hook_landed();
    reduced(R_DEFINE, lab, lab);
}

void jump_reference(int lab)
{
    reduced(R_REFERENCE, lab, 0, lab);   // list carries no value: shown as 0
}

#ifdef QUILL_FUZZ
static unsigned long jump_rewinds;   // per input, to bound loops

void jump_count_rewind(void)
{
    if (++jump_rewinds > QUILL_FUZZ_REWINDS)
        diag_fatal(0, "%s", "");   // maybe a loop without end: stop this input
}
#endif

// Runs inside the statement's own reduction, before the token after ';' is read.
void jump_statement_end(void)
{
    if (!top)
        return;
#ifdef QUILL_FUZZ
    jump_count_rewind();
#endif
    tokens_rewind();
    top = 0;
    output_check();   // every loop passes here
    if (quilldebug)
        trace_top();
}

/* The label search. A search lets only labels, ';', ':' and the end
   through, and the parser, standing at the start of an item, reads them as
   items: ';', "X;" or "X:". Only a definition of the label searched for
   changes anything (its count), so the items up to the n-th definition can
   be crossed at once, provided they are all whole and scanned: a broken one
   is a syntax error the parser must report, and scanning on would read
   input early. Crossing costs a look at each token, a fraction of what the
   filter and the parser spend on it; a recorded jump keeps where it landed. */
namespace {

constexpr int NO_SEARCH = -1, SEVERAL = -2;

// The one label searched for: asked at every item start, so the counters
// are read as four words.
int only_search(void)
{
    constexpr uint64_t LOW7 = 0x7f7f7f7f7f7f7f7full, HIGH = 0x8080808080808080ull;
    uint64_t w[4] = {0, 0, 0, 0};
    std::memcpy(w, label, NLABELS);
    int word = NO_SEARCH;
    for (int i = 0; i < 4; i++) {
        if (!w[i])
            continue;
        uint64_t nonzero = (((w[i] & LOW7) + LOW7) | w[i]) & HIGH;   // a bit per non-zero byte
        if (word != NO_SEARCH || (nonzero & (nonzero - 1)))
            return SEVERAL;
        word = i;
    }
    if (word == NO_SEARCH)
        return NO_SEARCH;
    int j = word * 8;
    while (!label[j])
        j++;
    return j;
}

/* Where a look ran into the end of what is scanned: until more is scanned,
   a look for the same label from there on finds nothing either (the parser
   counts the definitions it crosses meanwhile), so each token is looked at
   once per pass and not once per item. */
struct Unscanned {
    int lab = -1;
    uint32_t from, end;
} unscanned;

// The n-th definition of lab from the read position, if the items up to it
// are whole and scanned: the read position and line_no after its ':' (under
// a debugger, before its label: the definition runs, a stop of its own).
bool find_landing(int lab, uint32_t *at, int32_t *at_line)
{
    int n = label[lab] > 0 ? label[lab] : 1;   // a negative count ends at the next one
    uint32_t pos = tokens_pos(), end = tokens_scanned();
    if (lab == unscanned.lab && end == unscanned.end && pos >= unscanned.from)
        return false;
    TokenWalk w{pos, static_cast<uint32_t>(line_no)};
    int after_label = -1;                      // the label just read, if the item began so
    uint32_t item_pos = 0, item_line = 0;
    while (const Token *t = tokens_walk(w)) {
        switch (t->kind) {
        case K_END:
            return false;
        case token_kind(LABEL):
            if (after_label >= 0)
                return false;   // a label after a label: broken
            after_label = t->value;
            item_pos = w.pos - 1;           // where a debugger's landing reads it again
            item_line = w.line - t->lines;
            break;
        case token_kind(NL):
            after_label = -1;
            break;
        case token_kind(COL):
            if (after_label < 0)
                return false;   // a ':' without its label: broken
            if (after_label == lab && --n == 0) {
                // a debugger's landing reads "X:" again; not "X 2:", whose 2 the search drops
                bool again = run_hooks && item_pos + 2 == w.pos;
                *at = again ? item_pos : w.pos;
                *at_line = static_cast<int32_t>(again ? item_line : w.line);
                return true;
            }
            after_label = -1;
            break;
        }
    }
    unscanned = {lab, pos, end};
    return false;   // not scanned yet: the parser goes on token by token
}

}  // namespace

int jump_search_step(void)
{
    if (!skip())
        return 0;
    int lab = only_search();
    return lab == SEVERAL ? -1 : jump_search_land(lab);
}

int jump_search_land(int lab)
{
    uint32_t at;
    int32_t at_line;
    if (!find_landing(lab, &at, &at_line))
        return -1;
    label[lab] = 0;   // what the definition's own rule would leave
    tokens_seek(at, at_line);
    return 1;
}

void jump_reset(void)
{
    unscanned = {};
#ifdef QUILL_FUZZ
    jump_rewinds = 0;
#endif
}
