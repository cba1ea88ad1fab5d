/*
 * quill.h - the interpreter's shared state and its cross-file interfaces.
 */
#ifndef QUILL_H
#define QUILL_H

#include <cstdint>
#include <cstdio>

#include "outcall.h"
#include "grammar.h"   // generated: token kinds and yylval

static_assert(NL == 258 && OPNEW == 292, "token codes are part of the grammar's tables");

constexpr int NVARS = 26;
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
extern int32_t line_no;       // scanner.l: current script line
extern int32_t quilldebug;    // trace.cpp: -g
extern FILE *yyin;            // scanner.l: the script stream

/* ---- driver/options.cpp ---- */
// The option loop: -1 to go on with the run, else the exit status.
int driver_options(int argc, char **argv);
int driver_fold_status(int32_t value);
// strtol with base 0, clamped to the signed 32-bit range.
int32_t driver_strtol32(const char *text);
int driver_run(void);

/* ---- driver/help.cpp ---- */
void usage(void);
void moreinfo(void);

/* ---- scanner/scanner.l ---- */
int scan_token(void);                // the next token's code; its value in scan_value
constexpr int SCAN_CHAR = 300;       // scan_token: a character token, its code in scan_value
extern int32_t scan_value;
extern uint32_t scan_lines;          // line feeds scanned so far, texts excluded
void yyrestart(FILE *f);
// A number literal's digits in the given base, held at 2147483647.
int32_t scan_number(const char *digits, int base);

/* ---- scanner/tokens.cpp: the script as tokens ---- */
int yylex(void);                     // the parser's next token, filtered
int tokens_add_text(const char *text, int len);   // a literal's text; its offset
void tokens_rewind(void);            // back to the first token, line 1
void tokens_seek(uint32_t pos, int32_t line);     // on to a later item start
void tokens_reset(void);             // forget the stream: a new yyin (tests)
void tokens_configure(void);         // QUILL_SLOW turns the fast paths off
extern bool fast_paths;
uint32_t tokens_pos(void);           // the next token to deliver
int32_t tokens_last_value(void);     // the value of the token delivered last
const char *tokens_text(int32_t offset);   // a literal's text in the stream
// Each item start has a state: how often it ran, or its recorded form.
constexpr int32_t ITEM_NEW = 0, ITEM_SEEN = 1, ITEM_EXCLUDED = 2, ITEM_FIRST_RECORD = 3;
int32_t tokens_item_state(uint32_t pos);
void tokens_set_item_state(uint32_t pos, int32_t state);

/* ---- scanner/input.cpp ---- */
// Fills buf with up to max bytes of script text, text mode applied.
int input_read(char *buf, int max, int interactive);
// Forgets everything the input layer knows (a new stream, tests).
void input_reset(void);

/* ---- core/grammar.y ---- */
int yyparse(void);
void yyerror(const char *msg);

/* ---- core/pool.cpp ---- */
// Maps var, the literal scratch area and a pool of size bytes; false if impossible.
bool pool_create(int32_t size);
// Copies a literal's text to the low scratch area; returns its 32-bit address.
int pool_literal(const char *text, int len);
// The text at value, or nullptr: 0 is no text; anything else must lie in the pool.
const char *pool_text(int32_t value);
int32_t pool_element(int32_t base, int32_t index);  // address of base[index], 32-bit wrap
int32_t pool_read(int32_t addr);                   // an element: 4 bytes inside the pool
int32_t pool_element_slot(int32_t addr);           // addr, if an element may be written there
void pool_write(int32_t addr, int32_t value);      // a variable's slot or a checked element
int32_t var_slot(int index);
extern "C" int assign_str(intptr_t str);
extern "C" int assign_array(void *ptr, int size);
extern "C" int display_pool(void);
extern "C" int display_pool_as_int(int i, int size);

/* ---- core/dump.cpp ---- (display_pool, display_pool_as_int above) */

/* ---- core/eval.cpp: one helper per rule family; each stores ev and traces ---- */
void eval_statement(int32_t value);
void eval_empty(void);
int32_t eval_binary(int op, int32_t a, int32_t b);
int32_t eval_negate(int32_t a);
int32_t eval_not(int32_t a);
int32_t eval_paren(int32_t a);
int32_t eval_assign(int32_t slot, int32_t value);
int32_t eval_strcopy(int32_t slot, int32_t value);
int32_t eval_put(int32_t value);
int32_t eval_puts(int32_t value);
int32_t eval_func(int32_t no);
int32_t eval_new(int32_t count);
int32_t eval_number(int32_t value);
int32_t eval_string(int32_t text);
int32_t eval_variable(int32_t value);
int32_t eval_var_value(int index);
int32_t eval_element(int index, int32_t at);
int32_t eval_var_addr(int index);
int32_t eval_element_addr(int index, int32_t at);
int32_t eval_literal(const char *text);   // rule 37's copy into the pool
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
void eval_check_output(void);   // ends the run if stdout has failed

/* ---- core/jump.cpp ---- */
int32_t jump_if(int32_t cond, int lab);
int32_t jump_if_count(int32_t cond, int32_t count, int lab);
int32_t jump_below(int lab);
int32_t jump_below_count(int32_t count, int lab);
int32_t jump_above(int lab);
int32_t jump_above_count(int32_t count, int lab);
void jump_define(int lab);
void jump_reference(int lab);
void jump_statement_end(void);   // the rewind of a pending above
int32_t jump_set_count(int lab, int32_t count);   // the low 8 bits, read back as signed
int skip(void);                  // 1 while a label search is pending
// The label index: definitions and broken items among the filtered tokens.
void jump_index_add(uint32_t pos, int code, int32_t value, int32_t line);
// At an item start: 0 when no search is pending, 1 when the one pending was
// carried to its target, -1 when the parser must carry it on.
int jump_index_step(uint32_t pos);
int jump_index_land(uint32_t pos, int lab);   // the same, the one search known to be lab
void jump_index_reset(void);

/* ---- core/record.cpp, core/replay.cpp: items recorded once, replayed without the parser ---- */
extern bool compiled_recording;
void compiled_begin(uint32_t pos);           // record the item starting here
void compiled_note(int rule, int32_t imm);   // one reduction of it
// Replays a record and the recorded items after it, as far as they go.
void compiled_run(int32_t record);
void compiled_reset(void);
// Every rule helper reports its reduction here, as it does to the trace.
inline void record(int rule, int32_t imm)
{
    if (compiled_recording)
        compiled_note(rule, imm);
}

/* ---- core/trace.cpp ---- */
void trace_rule(int rule, ...);
void trace_top(void);
const char *trace_text(const char *text);   // (null) for no text

/* ---- core/diag.cpp: every diagnostic text lives there ---- */
[[noreturn]] void diag_fatal(int status, const char *fmt, ...);
[[noreturn]] void diag_input_failed(void);   // the script could not be read: status 2
[[noreturn]] void diag_out_of_memory(void);  // the script's tokens do not fit: status 2
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

#endif
