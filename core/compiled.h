/*
 * compiled.h - the compiled form of recorded items, shared by the recorder
 * (record.cpp) and the replay (replay.cpp); nothing else sees it.
 */
#ifndef COMPILED_H
#define COMPILED_H

#include <cstdint>
#include <vector>

enum Code : uint8_t {
    // A whole statement in one op: the commonest shapes.
    S_SET_ADD,      // v = w + k;
    S_SET_SUB,      // v = w - k;
    S_SET_OP,       // v = w op k;
    S_SET_VV,       // v = w op u;
    S_SET_K,        // v = k;
    S_IF_LT, S_IF_LE, S_IF_GT, S_IF_GE, S_IF_EQ, S_IF_NE,   // if w cmp k X;
    S_IF_OP,        // if w op k X;
    S_IF_VV,        // if w op u X;
    S_ABOVE,        // above X;
    S_BELOW,        // below X;
    S_PUT,          // put w;
    S_PUTS,         // puts w;
    S_ITEM,         // ; or X; or X: with no search: nothing to do
    S_GENERIC,      // anything else: the ops that follow, up to G_END
    // Ops of the generic form, one per rule (or per rule and its operands).
    G_NUMBER, G_STRING, G_VAR, G_ELEM, G_VARADDR, G_ELEMADDR,
    G_BINARY,        // (second) op (top)
    G_VAR_OP_NUMBER, G_VAR_OP_VAR, G_OP_NUMBER, G_OP_VAR,
    G_NEGATE, G_NOT, G_PAREN, G_SET_VAR, G_ASSIGN, G_STRCOPY,
    G_PUT, G_PUTS, G_FUNC, G_NEW,
    G_IF, G_IF_COUNT, G_BELOW, G_BELOW_COUNT, G_ABOVE, G_ABOVE_COUNT,
    G_END,
};

struct Op {
    uint8_t code;
    uint8_t op;     // a binary operator's token code less 256
    uint8_t a, b;   // variables; a label
    int32_t k;      // a number, a text's offset in the stream, a label
    int32_t line;   // line_no for what the op may report
};

struct Record {
    uint32_t first;     // its first op in compiled_code
    uint32_t end;       // the read position after the item
    int32_t end_line;   // line_no there
    int32_t next;       // the record of the item at end, once known; else -1
    // Where the search its jump starts landed last, and the record there:
    // the same search from the same place lands there again.
    uint32_t jump_from;
    int32_t jump_count;
    uint32_t land_pos;
    int32_t land_line;
    int32_t land_next;   // -1: not known
};

constexpr int REPLAY_DEPTH = 64;   // the deepest value stack a record may need

extern std::vector<Op> compiled_code;
extern std::vector<Record> compiled_records;

#endif
