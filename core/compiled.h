/*
 * compiled.h - the compiled form of recorded items, shared by the recorder
 * (record.cpp) and the replay (replay.cpp); nothing else sees it.
 *
 * A record is one item, or a run of items with nothing to do, and its ops.
 * A statement of a common shape is one S_ op; any other statement is
 * S_GENERIC followed by G_ ops, one per rule (or per rule and its operands),
 * that work on a value stack in the parser's order, up to G_END.
 */
#ifndef COMPILED_H
#define COMPILED_H

#include <cstdint>

/* The fields each code uses (others are 0). x and y are variables read,
   v the variable written, k a number, lab a label, op a binary operator;
   "top" is the top of the value stack. Every op sets ev as its rules do.

   code              fields         does
   S_SET_ADD         v x k          var[v] = var[x] + k
   S_SET_SUB         v x k          var[v] = var[x] - k
   S_SET_OP          v x op k       var[v] = var[x] op k
   S_SET_VV          v x op y       var[v] = var[x] op var[y]
   S_SET_K           v k            var[v] = k
   S_IF_LT .. S_IF_NE  x k lab      if var[x] < (<=, >, >=, ==, !=) k: search lab
   S_IF_OP           x op k lab     if var[x] op k: search lab
   S_IF_VV           x op y lab     if var[x] op var[y]: search lab
   S_ABOVE           lab            search lab from the top
   S_BELOW           lab            search lab
   S_PUT, S_PUTS     x              put var[x]; puts var[x]
   S_NOTHING         -              a run of ';', "X;" and "X:": only the read position moves
   S_GENERIC         -              the G_ ops that follow

   G_NUMBER          k              push k
   G_STRING          k              push a pool copy of the literal text at offset k
   G_VAR             x              push var[x]
   G_ELEM            x              top = var[x][top]
   G_VARADDR         v              push v's slot
   G_ELEMADDR        v              top = the checked slot of var[v][top]
   G_BINARY          op             pop b; top = top op b
   G_VAR_OP_NUMBER   x op k         push var[x] op k
   G_VAR_OP_VAR      x op y         push var[x] op var[y]
   G_OP_NUMBER       op k           top = top op k
   G_OP_VAR          op y           top = top op var[y]
   G_NEGATE, G_NOT, G_PAREN  -      top = -top, !top, top
   G_SET_VAR         v              var[v] = top (the slot was never pushed)
   G_ASSIGN          -              pop value; store it at the slot top; top = value
   G_STRCOPY         -              pop text; copy it to the slot top; top = the copy
   G_PUT, G_PUTS, G_FUNC, G_NEW  -  top = put top, puts top, func top, new top
   G_IF              lab            if top: search lab
   G_IF_COUNT        lab            pop n; if top: search lab n times
   G_BELOW, G_ABOVE  lab            push lab; search lab (from the top)
   G_BELOW_COUNT, G_ABOVE_COUNT  lab  top = n kept to 8 bits; search lab n times
   G_END             -              the statement's end */
enum Code : uint8_t {
    S_SET_ADD, S_SET_SUB, S_SET_OP, S_SET_VV, S_SET_K,
    S_IF_LT, S_IF_LE, S_IF_GT, S_IF_GE, S_IF_EQ, S_IF_NE,   // ORDER COMPARISONS
    S_IF_OP, S_IF_VV, S_ABOVE, S_BELOW, S_PUT, S_PUTS, S_NOTHING, S_GENERIC,
    G_NUMBER, G_STRING, G_VAR, G_ELEM, G_VARADDR, G_ELEMADDR,
    G_BINARY, G_VAR_OP_NUMBER, G_VAR_OP_VAR, G_OP_NUMBER, G_OP_VAR,
    G_NEGATE, G_NOT, G_PAREN, G_SET_VAR, G_ASSIGN, G_STRCOPY,
    G_PUT, G_PUTS, G_FUNC, G_NEW,
    G_IF, G_IF_COUNT, G_BELOW, G_BELOW_COUNT, G_ABOVE, G_ABOVE_COUNT,
    G_END,
};

struct Op {
    uint8_t code;
    uint8_t op = 0;       // a binary operator: its token code less 256
    uint8_t v = 0;        // the variable written
    uint8_t x = 0, y = 0; // variables read
    uint8_t lab = 0;      // a label
    int32_t k = 0;        // a number, or a literal's offset in the token stream
    int32_t line = 0;     // line_no as the parser reduced the op's (last) rule
};

struct Record {
    uint32_t first;       // its first op in compiled_code
    uint32_t end;         // the read position after the item (or the run)
    int32_t end_line;     // line_no there
    int32_t next;         // the record of the item at end, once known; else -1
    // Where the search its jump starts landed, and the record there: a
    // search of the same count from the same place (a record's jump always
    // starts from its end, or from the top) lands there again.
    int8_t land_count;
    uint32_t land_pos;
    int32_t land_line;
    int32_t land_next;    // -1: not known
};

constexpr int REPLAY_DEPTH = 64;   // the deepest value stack a record may need

// Records and ops in arrays of their own that grow by realloc, which
// remaps a large block instead of copying it: their peak is their size.
template <typename T> struct Grown {
    T *data;
    uint32_t size, capacity;
};
extern Grown<Op> compiled_code;
extern Grown<Record> compiled_records;

#endif
