/*
 * replay.cpp - recorded items run without the parser, op to op (compiled.h):
 * the same effects in the parser's order, each message with the line the
 * parser would have had. Inside the chain nothing else is kept up to date;
 * where it leaves (an EXIT or JEXIT that finds no way on), the read
 * position, line_no, the label counters and top are what the parser's run
 * would have left. The way each EXIT and JEXIT finds is written into the op
 * that led there: a record, and so the way out of it, never changes.
 */
#include "quill.h"

#include "compiled.h"
#include "native.h"

namespace {

constexpr uint32_t NO_WAY = UINT32_MAX;   // leave the chain

int32_t wrap_add(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t wrap_sub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t wrap_mul(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

/* The one place a replay sets line_no: before a call that may report, in
   the handler of an op whose entry (compiled.h) says it REPORTS. As the
   parser would have had it then; nothing reads it otherwise until the
   chain is left, which sets it anew. */
template <uint8_t C> inline void protect(const Op *op)
{
    static_assert(OP_INFO[C].reports, "an op that may report is marked REPORTS");
    line_no = op->line;
}

// / and % by all but 0 and -1; those (a report, a wrap) go as the parser does them.
inline bool plain_divisor(int32_t b)
{
    return b != 0 && b != -1;
}

inline int32_t quotient(int o, int32_t a, int32_t b)
{
    return o == OPDIV ? a / b : a % b;
}

// Where a way leads, passing over what does nothing: runs of items with
// nothing to do, and a statement that is only a jump (its search carried
// out now, when it is not known yet: that is what running it would do).
uint32_t thread(uint32_t way);

// The record at the read position: its first op, or NO_WAY.
uint32_t first_here(void)
{
    int32_t *state = tokens_item_word(tokens_pos());
    if (!state || *state < ITEM_FIRST_RECORD)
        return NO_WAY;
    return thread(compiled_records.data[*state - ITEM_FIRST_RECORD].first);
}

// Out of record rec by its end: the way on, written into its last op. A
// branch that leads to a loop's closing above leads to the loop's head
// instead (a fused branch), once the above knows where it lands: until then
// the branch keeps leaving by this exit.
uint32_t exit_record(uint32_t rec)
{
    const Record &r = compiled_records.data[rec];
    tokens_seek(r.end, r.end_line);
    uint32_t way = first_here();
    if (way == NO_WAY)
        return way;
    compiled_linked(r.link, false, way);
    Op *last = op_at(r.link);
    if (op_at(last->next)->code != EXIT)
        return way;   // linked already: code made before led here, and takes this way once
    const Op *to = op_at(way);
    if (!run_hooks && compiled_is_branch(last->code) && last->code < IF_NZ_A && to->code == ABOVE) {
        if (op_at(to->next) == to + 2)
            return way;   // it leads to its own JEXIT: not known yet
        last->code = static_cast<uint8_t>(last->code - IF_NZ + IF_NZ_A);
        last->next = to->next;
        return way;
    }
    last->next = way;
    return way;
}

// After a jump: the search carried to where it lands, and the record there.
uint32_t search(const Record &r, int lab)
{
    tokens_seek(r.end, r.end_line);
    if (top)
        jump_statement_end();   // back to the top
    if (skip() && jump_search_land(lab) < 0)
        return NO_WAY;          // the parser carries it on
    return first_here();
}

// Out of record rec by its jump (its last op), the first time: the way is
// written into that op, as the same search from the same place lands there again.
uint32_t jump_record(uint32_t rec)
{
    const Record &r = compiled_records.data[rec];
    Op *jump = op_at(r.link);
    bool branch = compiled_is_branch(jump->code);
    label[jump->lab] = static_cast<int8_t>(branch ? 1 : jump->k);
    if (jump->code == ABOVE)
        top = 1;
    uint32_t way = search(r, jump->lab);
    if (way != NO_WAY) {
        (branch ? jump->out.alt : jump->next) = way;
        compiled_linked(r.link, branch, way);
    }
    return way;
}

uint32_t thread(uint32_t way)
{
    static int depth;   // carrying out a jump threads on from where it lands
    if (depth > 4 || run_hooks)   // a debugger sees every item, the jumps too
        return way;     // jumps that lead to each other run as ops instead
    depth++;
    for (int hops = 0; hops < 16; hops++) {   // a loop of jumps alone stops somewhere
        const Op *op = op_at(way);
        const Op *exit = op + 1;
        if (op->code == NOTHING && op_at(op->next)->code != EXIT) {
            way = op->next;
            continue;
        }
        if (op->code != BELOW)   // an above runs: every loop passes one
            break;
        if (op_at(op->next) != exit + 1)   // its JEXIT: not known yet
            way = op->next;
        else if ((way = jump_record(exit->out.rec)) == NO_WAY)
            break;
    }
    depth--;
    return way;
}

/* Where a jump lands, past the item starts the debugger does not look at
   (the label's own, the statement's after it): such a CHECK only notes where
   the run is, noted here, and each pass of a loop saves their dispatches. */
uint32_t past_checks(uint32_t at)
{
    if (run_watch.every.load(std::memory_order_relaxed))
        return at;
    for (const Op *op = op_at(at); op->code == CHECK && !op->d; op = op_at(at)) {
        run_watch.pos = static_cast<uint32_t>(op->k);
        run_watch.line = op->line;
        at = op->next;
    }
    return at;
}

/* Under a debugger a jump is never linked: each time it passes its JEXIT,
   which tells the debugger (the trail) and goes where the search landed the
   first time (kept in the JEXIT's own next, d marking it known). A search
   under a debugger lands on the label's definition, a stop of its own. */
uint32_t debug_jump(Op *exit)
{
    if (exit->d) {
        run_hooks->jumped(exit->lab);
        return past_checks(exit->next);
    }
    const Record &r = compiled_records.data[exit->out.rec];
    const Op *jump = op_at(r.link);
    if (jump->code != ABOVE && jump->code != BELOW && !compiled_is_branch(jump->code))
        return jump_record(exit->out.rec);
    run_hooks->jumped(jump->lab);
    Op *j = op_at(r.link);
    uint32_t kept_next = j->next, kept_alt = j->out.alt;
    uint32_t way = jump_record(exit->out.rec);
    j->next = kept_next;   // the jump keeps leading here
    j->out.alt = kept_alt;
    if (way != NO_WAY) {
        exit->next = way;
        exit->lab = j->lab;
        exit->d = 1;
    }
    return way;
}

// An item start in a chain, seen by a debugger that wants it: true when
// it moved the run (a goto), which then goes on from the read position.
bool debug_check(const Op *op)
{
    run_watch.writes = op->out.writes;
    return run_hooks->item(static_cast<uint32_t>(op->k), op->line);
}

// A jump whose count is known only now: carried out each time, never linked.
uint32_t counted_jump(const Op *op, int32_t cond, int32_t count)
{
    if (op->rule == R_IF_COUNT && !cond)
        return op->next;
    jump_set_count(op->lab, count);
    if (op->rule == R_ABOVE_COUNT)
        top = 1;
    else if (!label[op->lab])
        return op->next;   // a count of 0: no search
    if (run_hooks && label[op->lab] > 0)
        run_hooks->jumped(op->lab);
    return search(compiled_records.data[op->out.rec], op->lab);
}

}  // namespace

#if defined(__GNUC__)
#define PLAIN_CASE(c) L_##c:
#define FALLS_CASE(c) F_##c:
#define DISPATCH goto *handlers[op->code]
#else
#define PLAIN_CASE(c) case c:
#define FALLS_CASE(c) case c | FALLS:
#define DISPATCH continue
#endif
#define AT(offset) reinterpret_cast<const Op *>(code + (offset))
#define NEXT \
    do { \
        op = NEXT_OP; \
        DISPATCH; \
    } while (0)
#define GO(way) \
    do { \
        uint32_t w_ = (way); \
        if (w_ == NO_WAY) \
            return; \
        op = AT(w_); \
        DISPATCH; \
    } while (0)
// PROTECT(call): line_no set for the call, in a handler made by VALUE or
// DO (they name its code HERE).
#define PROTECT(call) (protect<HERE>(op), (call))
#define DIVIDE(o, x, y) (plain_divisor(y) ? quotient(o, x, y) : PROTECT(eval_divide(o, x, y)))
// A value op, and its E variant that also stores ev.
#define VALUE(c, expr) \
    CASE(c) { \
        [[maybe_unused]] constexpr uint8_t HERE = c; \
        R[op->d] = (expr); \
        NEXT; \
    } \
    CASE(c##_E) { \
        [[maybe_unused]] constexpr uint8_t HERE = c##_E; \
        ev = R[op->d] = (expr); \
        NEXT; \
    }
// An op with an effect, then on to the next.
#define DO(c, effect) \
    CASE(c) { \
        [[maybe_unused]] constexpr uint8_t HERE = c; \
        effect; \
        NEXT; \
    }
// A branch and its form fused with a loop's closing above (COMPILED_BRANCHES),
// which on the way back to the loop's head does what the above did.
#ifdef QUILL_FUZZ
#define CLOSING_ABOVE() jump_count_rewind(), output_check()
#else
#define CLOSING_ABOVE() output_check()
#endif
// A loop's closing jump counts its passes; at native_hot the loop goes on
// as machine code, or as ops laid out in the order they run (native.h).
#define LOOP_BACK() \
    do { \
        uint8_t h_ = op->d; \
        if (h_ == NATIVE_OFF) \
            break;   /* counted no more: a laid-out loop, or no code to make */ \
        if (h_ < native_hot) \
            const_cast<Op *>(op)->d = static_cast<uint8_t>(h_ + 1); \
        else { \
            uint32_t way_ = native_loop(const_cast<Op *>(op)); \
            code = reinterpret_cast<const char *>(compiled_code.data);   /* laying out moves ops */ \
            GO(way_); \
        } \
    } while (0)
// On to alt where a fused branch's test holds; else on to the loop's head,
// doing what the closing above did, then what counting asks (back).
#define ALT_OR_BACK(t, back) \
    if (t) { \
        op = AT(op->out.alt); \
        DISPATCH; \
    } \
    CLOSING_ABOVE(); \
    back; \
    NEXT
#define BRANCH(c, store, test) \
    CASE(c) { \
        int32_t t_ = (test); \
        if (store) \
            ev = t_; \
        op = t_ ? AT(op->out.alt) : NEXT_OP; \
        DISPATCH; \
    } \
    CASE(c##_A) { \
        int32_t t_ = (test); \
        if (store) \
            ev = t_; \
        ALT_OR_BACK(t_, LOOP_BACK()); \
    }

// A counted loop's step, compare and way back in one (COMPILED_STEPS).
#define STEP(c, step, bound) \
    CASE(c) { \
        int32_t v_ = R[op->d] = wrap_add(R[op->d], (step)); \
        int32_t t_ = (step_holds(op->oper) >> ((v_ > (bound)) - (v_ < (bound)) + 1)) & 1; \
        ev = t_; \
        ALT_OR_BACK(t_, (void)0); /* a laid-out loop counts no passes */ \
    }

/* From one recorded item on, op to op, until the way on is not known. Each
   handler keeps a dispatch of its own (no merged tails): the next handler
   is then predicted from the one before. */
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-crossjumping", "no-gcse")))
#endif
void replay_run(int32_t first)
{
    const char *code = reinterpret_cast<const char *>(compiled_code.data);
    int32_t *const R = var - REG_VAR;   // the temporaries lie below the variables
    const Op *op = AT(compiled_records.data[first].first);
#if defined(__GNUC__)
    static void *handlers[2 * FALLS];   // each code, then each with FALLS
    if (!handlers[0]) {
#define PASTE(a, b) a##b
#define LABEL(p, c) PASTE(p, c)
#define ADDR(c, ...) &&LABEL(PREFIX, c),
#define ADDR_E(c, ...) &&LABEL(PREFIX, c##_E),
#define ADDR_A(c, ...) &&LABEL(PREFIX, c##_A),
#define ADDRS {COMPILED_VALUES(ADDR) COMPILED_VALUES(ADDR_E) COMPILED_CONTROL(ADDR) COMPILED_BRANCHES(ADDR_A)}
#define PREFIX L_
        void *const plain[] = ADDRS;   // ORDER CODES
#undef PREFIX
#define PREFIX F_
        void *const falls[] = ADDRS;
#undef PREFIX
#undef ADDRS
#undef ADDR_A
#undef ADDR_E
#undef ADDR
#undef LABEL
#undef PASTE
        static_assert(sizeof plain / sizeof plain[0] == CODE_COUNT, "one handler a code");
        for (int c = 0; c < CODE_COUNT; c++) {
            handlers[FALLS + c] = falls[c];
            handlers[c] = plain[c];   // last: the table is ready once handlers[0] is set
        }
    }
    DISPATCH;
#else
    for (;;)
        switch (op->code) {
#endif
#define CASE(c) PLAIN_CASE(c)
#define NEXT_OP AT(op->next)
#include "replay_ops.inc"
#undef CASE
#undef NEXT_OP
#define CASE(c) FALLS_CASE(c)
#define NEXT_OP (op + 1)
#include "replay_ops.inc"
#undef CASE
#undef NEXT_OP
#if !defined(__GNUC__)
        }
#endif
}
