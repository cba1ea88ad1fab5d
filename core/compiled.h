/*
 * compiled.h - the compiled form of recorded items: the op codes with what
 * each reads and does, the ops and records, and their listing (compiled.cpp).
 * The recorder (record.cpp, compile.cpp) makes them, the replay
 * (replay.cpp) runs them; nothing else sees them.
 *
 * A statement compiles to ops on registers: 0-63 are the statement's
 * temporaries, from REG_VAR on the 26 variables themselves (the temporaries
 * live right below the variables, so one base reaches both). Each op names
 * the op that follows it, so a loop runs op to op: a statement's last op
 * leads to the next statement's first, and a jump straight to the statement
 * where its search lands, once these are known. Until then they lead to the
 * record's EXIT or JEXIT op, which finds the way (and writes it into the
 * op), or leaves for the parser with the read position and line_no where
 * the parser would have them.
 */
#ifndef COMPILED_H
#define COMPILED_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "quill.h"

/* Each code: the fields it reads or writes besides next (the listing shows
   them by these names), whether it may report, and what it does. R[x] is
   register x.
     d     the register written          a, b  the registers read
     k     a constant                    oper  a binary operator
     lab   the label a jump searches     rule  the rule of a counted jump
     alt   a branch's other way          rec   the record an exit (or a counted
                                               jump) leaves
   Every op also holds line, line_no as its rule ran; an op that REPORTS
   has line_no set from it before it may report (PROTECT in replay.cpp).

   The value ops come first; each also has an E variant (its name with _E),
   which stores the result into ev too: the compiler gives each statement's
   last ev-storing rule one, so ev is written once a statement. ORDER CODES */
#define COMPILED_VALUES(X) \
    X(MOV,       "d a",      SILENT,  "R[d] = R[a]") \
    X(LOADK,     "d k",      SILENT,  "R[d] = k") \
    X(ADD_RR,    "d a b",    SILENT,  "R[d] = R[a] + R[b], wrapping") \
    X(ADD_RK,    "d a k",    SILENT,  "R[d] = R[a] + k, wrapping") \
    X(SUB_RR,    "d a b",    SILENT,  "R[d] = R[a] - R[b], wrapping") \
    X(SUB_RK,    "d a k",    SILENT,  "R[d] = R[a] - k, wrapping") \
    X(MUL_RR,    "d a b",    SILENT,  "R[d] = R[a] * R[b], wrapping") \
    X(MUL_RK,    "d a k",    SILENT,  "R[d] = R[a] * k, wrapping") \
    X(DIV_RR,    "d a b",    REPORTS, "R[d] = R[a] / R[b]: division by 0 reported, by -1 wrapping") \
    X(DIV_RK,    "d a k",    REPORTS, "R[d] = R[a] / k, the same") \
    X(MOD_RR,    "d a b",    REPORTS, "R[d] = R[a] % R[b], the same") \
    X(MOD_RK,    "d a k",    REPORTS, "R[d] = R[a] % k, the same") \
    X(LT_RR,     "d a b",    SILENT,  "R[d] = R[a] < R[b]: 0 or 1") \
    X(LT_RK,     "d a k",    SILENT,  "R[d] = R[a] < k") \
    X(LE_RR,     "d a b",    SILENT,  "R[d] = R[a] <= R[b]") \
    X(LE_RK,     "d a k",    SILENT,  "R[d] = R[a] <= k") \
    X(GT_RR,     "d a b",    SILENT,  "R[d] = R[a] > R[b]") \
    X(GT_RK,     "d a k",    SILENT,  "R[d] = R[a] > k") \
    X(GE_RR,     "d a b",    SILENT,  "R[d] = R[a] >= R[b]") \
    X(GE_RK,     "d a k",    SILENT,  "R[d] = R[a] >= k") \
    X(EQ_RR,     "d a b",    SILENT,  "R[d] = R[a] == R[b]") \
    X(EQ_RK,     "d a k",    SILENT,  "R[d] = R[a] == k") \
    X(NE_RR,     "d a b",    SILENT,  "R[d] = R[a] != R[b]") \
    X(NE_RK,     "d a k",    SILENT,  "R[d] = R[a] != k") \
    X(BIN_RR,    "d a b oper", REPORTS, "R[d] = R[a] oper R[b], as the parser computes it") \
    X(BIN_RK,    "d a k oper", REPORTS, "R[d] = R[a] oper k") \
    X(BIN_KR,    "d k a oper", REPORTS, "R[d] = k oper R[a]: k - x, k / x, k % x") \
    X(NEG,       "d a",      SILENT,  "R[d] = -R[a], wrapping") \
    X(NOT,       "d a",      SILENT,  "R[d] = !R[a]") \
    X(ELEM,      "d a b",    REPORTS, "R[d] = element R[b] of the array at R[a]") \
    X(ELEMO,     "d a b k",  REPORTS, "R[d] = element R[b] + k of the array at R[a], the sum wrapping: " \
                                      "an index's add or subtract of a constant and the read in one") \
    X(STORE,     "a b",      SILENT,  "the element slot R[b] = R[a] (checked by SLOT); the value R[a]") \
    X(STORE_W,   "a b",      SILENT,  "STORE under a debugger, which is told the bytes first") \
    X(SETEL,     "a b d",    REPORTS, "the checked slot of element R[b] of the array at R[a] = R[d]: SLOT and STORE " \
                                      "in one, where what runs between them only fills temporaries; the value R[d]") \
    X(SETEL_K,   "a b k",    REPORTS, "the same with the constant k; the value k") \
    X(STR,       "d k",      REPORTS, "R[d] = a pool copy of the literal whose text is at offset k") \
    X(STRCOPY_K, "d a k",    REPORTS, "R[d] = copy of the text R[a] into the variable slot k") \
    X(STRCOPY_R, "d a b",    REPORTS, "R[d] = copy of the text R[a] into the slot R[b]") \
    X(CALL,      "d a",      REPORTS, "R[d] = func R[a]") \
    X(NEW,       "d a",      REPORTS, "R[d] = new R[a]") \
    X(KEEP8,     "d a",      SILENT,  "R[d] = the low 8 bits of R[a], signed: a count as kept")
#define COMPILED_CONTROL(X) \
    X(SLOT,      "d a b",    REPORTS, "R[d] = the checked slot of element R[b] of the array at R[a]") \
    X(PUT,       "a",        SILENT,  "put R[a] (ev = R[a])") \
    X(PUTS,      "a",        REPORTS, "puts R[a] (ev = R[a])") \
    X(EV,        "a",        SILENT,  "ev = R[a]: the value of a statement no op stored") \
    X(EV_K,      "k",        SILENT,  "ev = k") \
    COMPILED_BRANCHES(X) \
    X(BELOW,     "lab k",    SILENT,  "the search for the k-th next lab, once known to land at next") \
    X(ABOVE,     "lab k",    SILENT,  "the same from the top of the script") \
    X(JCOUNT,    "a b lab rule rec", SILENT, \
      "jump rule (if @, below @, above @) with count R[b] known only now; an if only when R[a] is not 0") \
    X(JCOUNT_E,  "a b lab rule rec", SILENT, "the same, ev = R[b]: the jump is the statement") \
    X(NOTHING,   "",         SILENT,  "items with nothing to do") \
    X(CHECK,     "k",        SILENT,  "a debugger's look at the item starting at token k (only under one)") \
    X(EXIT,      "rec",      SILENT,  "leave record rec by its end: the way on is found once") \
    X(JEXIT,     "rec",      SILENT, \
      "leave record rec by its jump (its last op's): the search is carried out once") \
    COMPILED_STEPS(X)
/* The branches: each has a fused form, its name with _A, made by the replay
   as it links (never under a debugger) where the way on when the branch does
   not jump is a loop's closing above that knows where it lands. It goes
   there itself, doing on the way what the above did (the look at the output),
   one dispatch less a pass. The codes of the fused forms follow the others in
   the branches' order. */
#define COMPILED_BRANCHES(X) \
    X(IF_NZ,     "a lab alt", SILENT, "on to alt if R[a] is not 0 (its search for lab starts), else next") \
    X(IF_NZ_E,   "a lab alt", SILENT, "the same, ev = R[a]: the if is the statement") \
    X(IF_LT_RR,  "a b lab alt", SILENT, "ev = R[a] < R[b]; on to alt if it holds, else next") \
    X(IF_LT_RK,  "a k lab alt", SILENT, "ev = R[a] < k; the same") \
    X(IF_LE_RR,  "a b lab alt", SILENT, "ev = R[a] <= R[b]; the same") \
    X(IF_LE_RK,  "a k lab alt", SILENT, "ev = R[a] <= k; the same") \
    X(IF_GT_RR,  "a b lab alt", SILENT, "ev = R[a] > R[b]; the same") \
    X(IF_GT_RK,  "a k lab alt", SILENT, "ev = R[a] > k; the same") \
    X(IF_GE_RR,  "a b lab alt", SILENT, "ev = R[a] >= R[b]; the same") \
    X(IF_GE_RK,  "a k lab alt", SILENT, "ev = R[a] >= k; the same") \
    X(IF_EQ_RR,  "a b lab alt", SILENT, "ev = R[a] == R[b]; the same") \
    X(IF_EQ_RK,  "a k lab alt", SILENT, "ev = R[a] == k; the same") \
    X(IF_NE_RR,  "a b lab alt", SILENT, "ev = R[a] != R[b]; the same") \
    X(IF_NE_RK,  "a k lab alt", SILENT, "ev = R[a] != k; the same")

/* A counted loop's last steps in one op, made only where a loop is laid out
   (compiled_layout): R[d] = R[d] + step; if R[d] oper bound, on to alt (ev
   the comparison, as the branch stores it); else back by next, doing what the
   closing above did. The step is R[b], or the constant b holds (-128 to 127);
   the bound R[a], or k. */
#define COMPILED_STEPS(X) \
    X(STEP_RR,   "d b a oper alt",    SILENT, "R[d] += R[b]; ev = R[d] oper R[a]; on to alt if it holds, else next") \
    X(STEP_RK,   "d b k oper alt",    SILENT, "R[d] += R[b]; ev = R[d] oper k; the same") \
    X(STEP_KR,   "d step a oper alt", SILENT, "R[d] += step; ev = R[d] oper R[a]; the same") \
    X(STEP_KK,   "d step k oper alt", SILENT, "R[d] += step; ev = R[d] oper k; the same")

constexpr bool REPORTS = true, SILENT = false;

enum Code : uint8_t {
#define PLAIN(c, ...) c,
    COMPILED_VALUES(PLAIN)
#undef PLAIN
#define WITH_EV(c, ...) c##_E,
    COMPILED_VALUES(WITH_EV)
#undef WITH_EV
#define PLAIN(c, ...) c,
    COMPILED_CONTROL(PLAIN)
#undef PLAIN
#define FUSED(c, ...) c##_A,
    COMPILED_BRANCHES(FUSED)
#undef FUSED
    CODE_COUNT
};
constexpr uint8_t E_VARIANT = MOV_E - MOV;   // a value op plus this stores ev too
// A value op's E variant as the op it varies; any other code as it is.
constexpr uint8_t compiled_plain(uint8_t code)
{
    return code < 2 * E_VARIANT ? static_cast<uint8_t>(code % E_VARIANT) : code;
}
constexpr bool compiled_stores_ev(uint8_t code)   // a value op's E variant
{
    return code >= E_VARIANT && code < 2 * E_VARIANT;
}
// A code with FALLS is the same op whose next is the op after it, as a loop
// laid out in the order it runs keeps them (compiled_layout): the replay
// steps there without loading next.
constexpr uint8_t FALLS = 0x80;
static_assert(CODE_COUNT <= FALLS, "a code and FALLS fit a byte");

// What the replay and the listing read of an entry: arrays, not pointers,
// so the table costs the loader no relocations.
struct OpInfo {
    char name[12];
    char fields[20];   // as the listing names them, in its order
    bool reports;
};
inline constexpr OpInfo OP_INFO[] = {   // ORDER CODES
#define INFO(c, fields, reports, does) {#c, fields, reports},
    COMPILED_VALUES(INFO)
#undef INFO
#define INFO(c, fields, reports, does) {#c "_E", fields, reports},
    COMPILED_VALUES(INFO)
#undef INFO
#define INFO(c, fields, reports, does) {#c, fields, reports},
    COMPILED_CONTROL(INFO)
#undef INFO
#define INFO(c, fields, reports, does) {#c "_A", fields, reports},
    COMPILED_BRANCHES(INFO)
#undef INFO
};
static_assert(sizeof OP_INFO / sizeof OP_INFO[0] == CODE_COUNT, "one entry a code");

constexpr bool compiled_is_branch(uint8_t code)
{
    return code == IF_NZ || code == IF_NZ_E || (code >= IF_LT_RR && code <= IF_NE_RK) ||
           (code >= IF_NZ_A && code <= IF_NE_RK_A);
}
static_assert(IF_NZ_E == IF_NZ + 1 && IF_LT_RR == IF_NZ_E + 1 && IF_NE_RK_A - IF_NZ_A == IF_NE_RK - IF_NZ,
              "a branch and its fused form lie as far apart as IF_NZ_A from IF_NZ");

// What a STEP's comparison (its oper, a token code less 256) holds for: one
// bit each for less, equal and greater, by 1 + the sign of the difference.
constexpr uint8_t step_holds(uint8_t oper)
{
    switch (oper + 256) {
    case OPLT: return 0b001;
    case OPLE: return 0b011;
    case OPGT: return 0b100;
    case OPGE: return 0b110;
    case OPEQ: return 0b010;
    default:   return 0b101;   // OPNE
    }
}

constexpr int REPLAY_TEMPS = NTEMPS;         // at most this many in one statement
constexpr int REG_VAR = REPLAY_TEMPS;        // the register of variable a

struct Op {
    uint8_t code;
    uint8_t d = 0;         // the register written
    uint8_t a = 0, b = 0;  // the registers read
    uint8_t oper = 0;      // a binary operator: its token code less 256
    uint8_t lab = 0;       // the label a jump searches for
    uint8_t rule = 0;      // the rule of a counted jump (R_IF_COUNT, R_BELOW_COUNT, R_ABOVE_COUNT)
    int32_t k = 0;         // a constant: what it stands for is in the code's entry
    int32_t line = 0;      // line_no as the op's rule ran: what it reports with
    uint32_t next = 0;     // the op that follows
    union Out {            // where else it leads: no code has both
        uint32_t alt;      // a branch's other way
        uint32_t rec;      // the record an exit or a counted jump leaves
        uint32_t writes;   // a CHECK: what its item may change (WRITES_*, hooks.h)
        int32_t magic;     // DIV_RK, MOD_RK: the multiplier for k, or 0 (compiled_divisor)
    } out = {};
};
static_assert(sizeof(Op) == 24, "records take their budget in ops of this size");
// Ops name ops by their byte offset in compiled_code: the replay's step
// from op to op is then one load and one add.

struct Record {
    uint32_t first;       // its first op (a byte offset in compiled_code)
    uint32_t end;         // the read position after the item (or the run)
    int32_t end_line;     // line_no there
    uint32_t link;        // its last op before EXIT: its next leads out of the item,
                          // and a jump's way is its own (next, or alt for a branch)
};

// Records and ops in arrays of their own that grow by realloc, which
// remaps a large block instead of copying it: their peak is their size.
template <typename T> struct Grown {
    T *data;
    uint32_t size, capacity;
};
extern Grown<Op> compiled_code;
extern Grown<Record> compiled_records;

// n items added to a table, which may move: false where memory refuses them.
template <typename T> bool compiled_append(Grown<T> &table, const T *items, uint32_t n)
{
    if (table.size + n > table.capacity) {
        uint32_t want = table.capacity ? table.capacity + table.capacity / 2 : 256;
        if (want < table.size + n)
            want = table.size + n;
        void *bigger = std::realloc(table.data, std::size_t(want) * sizeof(T));
        if (!bigger)
            return false;
        table.data = static_cast<T *>(bigger);
        table.capacity = want;
    }
    for (uint32_t i = 0; i < n; i++)
        table.data[table.size++] = items[i];
    return true;
}

inline Op *op_at(uint32_t offset)
{
    return reinterpret_cast<Op *>(reinterpret_cast<char *>(compiled_code.data) + offset);
}
inline uint32_t offset_of(const Op *op)
{
    return static_cast<uint32_t>(reinterpret_cast<const char *>(op) -
                                 reinterpret_cast<const char *>(compiled_code.data));
}

/* ---- compiled.cpp ---- */
/* A division by a constant k other than -1, 0 and 1 without a divide, as
   machine code makes it (the replay's divide is as fast): the quotient is
   the high half of x * out.magic, plus x (oper 1) or minus x (oper 2) where
   the multiplier's sign is not k's, shifted right by b, plus 1 when
   negative (a quotient rounds toward 0). Set on DIV_RK and MOD_RK ops as
   they are recorded; for other k, out.magic stays 0. */
void compiled_divisor(Op &op);
inline int32_t compiled_quotient(const Op &op, int32_t x)
{
    uint32_t hi = static_cast<uint32_t>(static_cast<uint64_t>(int64_t(x) * op.out.magic) >> 32);
    uint32_t ux = static_cast<uint32_t>(x);
    hi = op.oper == 1 ? hi + ux : op.oper == 2 ? hi - ux : hi;
    int32_t q = static_cast<int32_t>(hi) >> op.b;
    return static_cast<int32_t>(static_cast<uint32_t>(q) + (static_cast<uint32_t>(q) >> 31));
}

/* The ops reachable from head by next and alt, up to a bound, that a loop's
   machine code or layout takes in, from head on: a way ends at an op only
   the ops run where they are (EXIT, JEXIT, counted jumps, a debugger's ops)
   and at ops already laid out. */
std::vector<uint32_t> compiled_reach(uint32_t head);

/* ---- layout.cpp ---- */
// The ops of the loop whose closing jump is at offset back, copied after
// all others in the order they run (FALLS where the next is the one after),
// and the closing jump led to the copy: the head's copy, or its head where
// the budget refuses.
uint32_t compiled_layout(uint32_t back);
// The ops found the way (its alt, or its next) of the op at original: its
// copies that did not know it yet take it too.
void compiled_linked(uint32_t original, bool alt, uint32_t way);
void compiled_layout_reset(void);

/* the listing */
// One op as a line of text: its code, its fields by name, its line; ways
// as record.op. The length it needed, as snprintf counts.
int compiled_op_text(const Op &op, char *buf, std::size_t size);
void compiled_list(FILE *out, uint32_t rec);   // the record's ops, one a line
void compiled_reset(void);                     // forget every record

#endif
