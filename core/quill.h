/*
 * quill.h - the interpreter's shared state and its cross-file interfaces.
 *
 * Calls run one way: driver/, then core/, then scanner/ and outcall/ below.
 * The parser (grammar.y) calls a helper per rule (eval.cpp, jump.cpp) and
 * takes its tokens from the item loop (items.cpp), which reads the token
 * stream (scanner/tokens.h). The fast paths sit at item starts, entered
 * from items.cpp: the label search (jump.cpp) and recorded items
 * (record.cpp records, compile.cpp compiles, replay.cpp runs, compiled.h
 * is their form).
 */
#ifndef QUILL_H
#define QUILL_H

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "actions.h"   // the grammar's calls, shared with quill-check
#include "hooks.h"     // what a debugger is told
#include "outcall.h"
#include "rules.h"
#include "tokens.h"    // the token stream below, and the generated token codes

constexpr int NVARS = 26;
constexpr int NTEMPS = 64;       // the replay's temporaries, right below var
constexpr int NLABELS = 26;
constexpr int32_t DEFAULT_POOLSIZE = 1048576;

/* ---- shared state (each defined once, in the file named) ---- */
extern int *var;              // pool.cpp: the 26 variables, inside the low mapping
extern char *pool;            // pool.cpp: first byte of the pool
extern int32_t poolsize;      // pool.cpp: pool size in bytes
extern int32_t poolnum;       // pool.cpp: offset of the next free byte
extern int32_t ev;            // eval.cpp: last access value, becomes the exit status
extern int32_t top;           // jump.cpp: 1 while an above waits for its statement's end
extern int8_t label[NLABELS]; // jump.cpp: pending search count per label
extern int32_t line_no;       // scanner/tokens.cpp: current script line
extern int32_t quilldebug;    // trace.cpp: -g

/* ---- driver/options.cpp ---- */
// The option loop: -1 to go on with the run, else the exit status.
int options_read(int argc, char **argv);
// strtol with base 0, clamped to the signed 32-bit range.
int32_t options_strtol32(const char *text);

/* ---- driver/driver.cpp ---- */
int driver_run(void);                        // the script's exit status
int driver_fold_status(int32_t value);

/* ---- driver/help.cpp ---- */
void usage(void);
void moreinfo(void);

/* ---- core/items.cpp: the parser's tokens (yylex), and the fast paths at item starts ---- */
void items_configure(void);          // QUILL_SLOW turns the fast paths off; QUILL_LIST
void items_reset(void);              // a new script in yyin: forget all that was learnt
extern bool items_fast;               // the fast paths are on
extern uint64_t items_parsed;        // items the parser ran (the fast paths ran the rest)
// Each item start has a state: how often it ran, or its recorded form.
constexpr int32_t ITEM_NEW = 0, ITEM_SEEN = 1, ITEM_EXCLUDED = 2, ITEM_FIRST_RECORD = 3;

/* ---- core/pool.cpp ---- */
// Maps the temporaries, var, the literal scratch area and a pool of size
// bytes; false if impossible.
bool pool_create(int32_t size);
// Copies a literal's text to the low scratch area; returns its 32-bit address.
int pool_literal(const char *text, int len);
// The text at value, or nullptr: 0 is no text; anything else must lie in the pool.
const char *pool_text(int32_t value, std::size_t *len = nullptr);
int32_t pool_element(int32_t base, int32_t index);  // address of base[index], 32-bit wrap
// pool_holds, pool_element_slot and pool_read: inline, at the end
void pool_write(int32_t addr, int32_t value);      // a variable's slot or a checked element
// The same under a debugger, which is told the bytes first (hooks.h).
[[gnu::noinline]] void pool_write_watched(int32_t addr, int32_t value);
int32_t pool_var_slot(int index);
// What a 32-bit value a script holds addresses: the low mapping makes it real.
inline char *pool_address(int32_t value)
{
    return reinterpret_cast<char *>(static_cast<uintptr_t>(static_cast<uint32_t>(value)));
}
extern "C" int assign_str(intptr_t str);
extern "C" int assign_array(void *ptr, int size);
extern "C" int display_pool(void);
extern "C" int display_pool_as_int(int i, int size);

/* ---- core/dump.cpp ---- (display_pool, display_pool_as_int above) */

/* ---- core/eval.cpp: the expression helpers of actions.h; each stores ev and traces ---- */
int32_t eval_literal(const char *text);   // R_STRING's copy into the pool
int32_t eval_divide(int op, int32_t a, int32_t b);    // / and %, checked

// A binary operator's value (nothing stored, nothing traced); inline, as
// recorded statements compute with it too. Arithmetic wraps modulo 2^32.
inline int32_t eval_compute(int op, int32_t a, int32_t b)
{
    uint32_t x = static_cast<uint32_t>(a), y = static_cast<uint32_t>(b);
    switch (op) {
    case OPADD: return static_cast<int32_t>(x + y);
    case OPSUB: return static_cast<int32_t>(x - y);
    case OPMUL: return static_cast<int32_t>(x * y);
    case OPDIV:
    case OPMOD: return eval_divide(op, a, b);
    case OPAND: return a && b;
    case OPOR:  return a || b;
    case OPGT:  return a > b;
    case OPLT:  return a < b;
    case OPGE:  return a >= b;
    case OPLE:  return a <= b;
    case OPEQ:  return a == b;
    default:    return a != b;
    }
}

/* ---- core/output.cpp: what put and puts print (output.h: its platform half) ---- */
void output_start(void);             // a terminal gets each print at once; else they wait
void output_number(int32_t value);   // put's "%d"
void output_text(const char *text, std::size_t len);  // puts
void output_flush(void);             // before anything that would show that prints wait
void output_call_begin(int32_t no);  // around a library call: what waits goes first unless
void output_call_end(void);          // the call is quiet, and what the library printed follows
void output_check_failed(void);      // the clock's write failed: ends the run
extern std::atomic<bool> output_attention;
extern void (*output_fault)(int err);   // a write failed: must not return
// Looked at where a long computation passes (backward jumps, items the
// parser runs), so a write the clock could not make ends the run soon.
[[gnu::always_inline]] inline void output_check(void)   // even into the replay's loop
{
    if (output_attention.load(std::memory_order_relaxed))
        output_check_failed();
}

/* ---- core/jump.cpp: the jump helpers of actions.h, and the label search ---- */
void jump_statement_end(void);   // the rewind of a pending above
int32_t jump_set_count(int lab, int32_t count);   // the low 8 bits, read back as signed
int skip(void);                  // 1 while a label search is pending
// At an item start: 0 when no search is pending, 1 when the one pending was
// carried to its target, -1 when the parser must carry it on.
int jump_search_step(void);
int jump_search_land(int lab);   // the same, the one search known to be lab
void jump_reset(void);
#ifdef QUILL_FUZZ
void jump_count_rewind(void);    // a rewind, counted to bound loops
#endif

/* ---- core/record.cpp: items recorded once, to be replayed without the parser ---- */
extern bool record_active;
extern bool record_list;             // QUILL_LIST: each record's ops on stderr as it is made
// The item at the read position, run once already: true when it is known
// at once (items with nothing to do), else its recording starts.
bool record_begin(void);
void record_note(Rule rule, int32_t imm);   // one reduction of it
void record_reset(void);                    // forget every record
bool record_affordable(std::size_t n);      // n more ops fit the budget (a script's bytes' worth)
void record_watch_lines(void);              // the debugger's lines (hooks.h) changed

/* ---- core/replay.cpp ---- */
// Replays a record and the recorded items after it, as far as they go.
void replay_run(int32_t first);

/* ---- core/trace.cpp ---- */
void trace_rule(int rule, ...);
void trace_top(void);
// A text for a %s of the trace: no text shows as (null).
inline const char *trace_text(const char *text) { return text ? text : "(null)"; }

// Every rule helper ends here: the trace line, and the reduction for the
// recorder (imm: the token value the rule read, where the rule has one).
template <typename... Values> [[gnu::always_inline]] inline void reduced(Rule rule, int32_t imm, Values... values)
{
    if (quilldebug)
        trace_rule(rule, values...);
    if (record_active)
        record_note(rule, imm);
}

/* ---- core/diag.cpp: every diagnostic text lives there ---- */
[[noreturn]] void diag_fatal(int status, const char *fmt, ...);
void diag_scan_failed(ScanFault fault, const char *flex_text);   // status 2
void diag_pool_over(const char *what);
[[noreturn]] void diag_runtime(const char *what);   // "line:N what", status 1
void diag_syntax(const char *msg);
const char *diag_parser_text(const char *bison_text);
void diag_cannot_open(const char *name);
[[noreturn]] void diag_output_failed(int err);   // stdout is dead: status 1
[[noreturn]] void diag_cannot_allocate_pool(int32_t size);
#ifdef QUILL_FUZZ
#include <csetjmp>
extern std::jmp_buf *diag_exit_jump;   // non-null: diag_fatal jumps there instead of exiting
#endif

/* ---- core/pool.cpp's inline part ---- */
// Whether bytes bytes at addr lie wholly in the pool. These three are
// inline everywhere, the replay's loop too, whose own optimisation
// settings keep other functions out of it.
[[gnu::always_inline]] inline bool pool_holds(uint32_t addr, uint32_t bytes)
{
    uint64_t lo = reinterpret_cast<uintptr_t>(pool);
    return addr >= lo && uint64_t(addr) + bytes <= lo + uint64_t(poolsize);
}
// addr, if an element may be written there: wholly in the pool, never over a variable
[[gnu::always_inline]] inline int32_t pool_element_slot(int32_t addr)
{
    if (!pool_holds(static_cast<uint32_t>(addr), 4))
        diag_runtime("Bad address. (array)");
    return addr;
}
// An element: 4 bytes inside the pool, at any byte offset.
[[gnu::always_inline]] inline int32_t pool_read(int32_t addr)
{
    if (!pool_holds(static_cast<uint32_t>(addr), 4))
        diag_runtime("Bad address. (array)");
    int32_t v;
    std::memcpy(&v, pool_address(addr), 4);
    return v;
}

#endif
