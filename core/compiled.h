/*
 * compiled.h - the compiled form of recorded items, shared by the recorder
 * (record.cpp) and the replay (replay.cpp); nothing else sees it.
 *
 * A statement compiles to ops on registers: 0-63 are the statement's
 * temporaries, from REG_VAR on the 26 variables themselves (the temporaries
 * live right below the variables, so one base reaches both). Each op names the op that follows it, so a loop
 * runs op to op: a statement's last op leads to the next statement's first,
 * and a jump straight to the statement where its search lands, once these
 * are known. Until then they lead to the record's EXIT or JEXIT op, which
 * finds the way (and writes it into the op), or leaves for the parser with
 * the read position and line_no where the parser would have them.
 */
#ifndef COMPILED_H
#define COMPILED_H

#include <cstdint>

#include "quill.h"

/* The fields each code uses. R[x] is register x; "E" variants of the value
   ops also store the result into ev: the compiler gives each statement's
   last ev-storing rule one, so ev is written once a statement.

   code                 fields      does
   MOV                  d a         R[d] = R[a]
   LOADK                d k         R[d] = k
   ADD SUB MUL _RR/_RK  d a b | k   R[d] = R[a] op R[b] (or k), wrapping
   DIV MOD _RR/_RK      d a b | k   the same, line for division by zero
   LT LE GT GE EQ NE _RR/_RK  d a b | k  R[d] = R[a] cmp R[b] (or k), 0 or 1
   BIN_RR BIN_RK BIN_KR d a b | k o the binary operator o (k first for KR)
   NEG NOT              d a         R[d] = -R[a], !R[a]
   ELEM                 d a b line  R[d] = element R[b] of the array at R[a]
   SLOT                 d a b line  R[d] = the checked slot of that element
   STORE                d a         the element slot R[d] = R[a]; value R[a]
   STR                  d k line    R[d] = a pool copy of the literal at offset k
   STRCOPY_K            d a k line  R[d] = copy of the text R[a] into slot k (a variable's)
   STRCOPY_R            d a b line  the same into the slot R[b]
   PUT PUTS             a line      put R[a]; puts R[a] (these store ev themselves)
   CALL NEW             d a line    R[d] = func R[a]; new R[a]
   KEEP8                d a         R[d] = the low 8 bits of R[a], signed
   EV EV_K              a | k       ev = R[a] (or k): a statement with no op of its own
   IF_NZ                a d         on to alt if R[a] is not 0, else next; d: ev = R[a]
   IF_LT .. IF_NE _RR/_RK  a b | k  ev = the comparison; on to alt if it holds
   BELOW ABOVE          lab         the search for lab (from the top), known to land at next
   JCOUNT               a b d lab o  a jump with a count not known before: o is the rule;
                                    a the condition (if), b the count (d: ev = it); alt its record
   NOTHING              -           items with nothing to do
   EXIT                 alt         leave record alt by its end
   JEXIT                alt lab k o next  leave record alt by its jump: lab, count k
                                    (as kept), o: 1 above, 2 the link is op next's alt */
#define COMPILED_CODES(X) \
    X(MOV) X(LOADK) \
    X(ADD_RR) X(ADD_RK) X(SUB_RR) X(SUB_RK) X(MUL_RR) X(MUL_RK) \
    X(DIV_RR) X(DIV_RK) X(MOD_RR) X(MOD_RK) \
    X(LT_RR) X(LT_RK) X(LE_RR) X(LE_RK) X(GT_RR) X(GT_RK) \
    X(GE_RR) X(GE_RK) X(EQ_RR) X(EQ_RK) X(NE_RR) X(NE_RK) \
    X(BIN_RR) X(BIN_RK) X(BIN_KR) X(NEG) X(NOT) \
    X(ELEM) X(STORE) X(STR) X(STRCOPY_K) X(STRCOPY_R) X(CALL) X(NEW) X(KEEP8)
#define COMPILED_CONTROL(X) \
    X(SLOT) X(PUT) X(PUTS) X(EV) X(EV_K) X(IF_NZ) \
    X(IF_LT_RR) X(IF_LT_RK) X(IF_LE_RR) X(IF_LE_RK) X(IF_GT_RR) X(IF_GT_RK) \
    X(IF_GE_RR) X(IF_GE_RK) X(IF_EQ_RR) X(IF_EQ_RK) X(IF_NE_RR) X(IF_NE_RK) \
    X(BELOW) X(ABOVE) X(JCOUNT) X(NOTHING) X(EXIT) X(JEXIT)

// The value ops, then their E variants in the same order, then the rest. ORDER CODES
enum Code : uint8_t {
#define PLAIN(c) c,
    COMPILED_CODES(PLAIN)
#undef PLAIN
#define WITH_EV(c) c##_E,
    COMPILED_CODES(WITH_EV)
#undef WITH_EV
#define PLAIN(c) c,
    COMPILED_CONTROL(PLAIN)
#undef PLAIN
    CODE_COUNT
};
constexpr uint8_t E_VARIANT = MOV_E - MOV;   // a value op plus this stores ev too

constexpr int REPLAY_TEMPS = NTEMPS;         // at most this many in one statement
constexpr int REG_VAR = REPLAY_TEMPS;        // the register of variable a
constexpr uint8_t JEXIT_ABOVE = 1, JEXIT_ALT = 2;

struct Op {
    uint8_t code;
    uint8_t d = 0;        // the register written
    uint8_t a = 0, b = 0; // registers read
    uint8_t o = 0;        // a binary operator (its token code less 256), or a rule
    uint8_t lab = 0;      // a label
    int32_t k = 0;        // a constant: an operand, a count, a literal's offset
    int32_t line = 0;     // line_no for what the op may report
    uint32_t next = 0;    // the op that follows
    uint32_t alt = 0;     // a branch's other successor; an exit's record
};
// Ops name ops by their byte offset in compiled_code: the replay's step
// from op to op is then one load and one add.

struct Record {
    uint32_t first;       // its first op (a byte offset in compiled_code)
    uint32_t end;         // the read position after the item (or the run)
    int32_t end_line;     // line_no there
    uint32_t link;        // the op whose next leads out of the item
};

// Records and ops in arrays of their own that grow by realloc, which
// remaps a large block instead of copying it: their peak is their size.
template <typename T> struct Grown {
    T *data;
    uint32_t size, capacity;
};
extern Grown<Op> compiled_code;
extern Grown<Record> compiled_records;

inline Op *op_at(uint32_t offset)
{
    return reinterpret_cast<Op *>(reinterpret_cast<char *>(compiled_code.data) + offset);
}

#endif
