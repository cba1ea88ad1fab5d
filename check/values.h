/*
 * values.h - what the two files of the values share: what the variables
 * may hold (State), and a statement's tree walked with it (walk.cpp), which
 * the blocks of the flow graph run to a fixed point (values.cpp).
 */
#ifndef VALUES_H
#define VALUES_H

#include "check.h"

// What each variable may hold, four bits of a Kind mask a variable, and
// which variables some path has set: 20 bytes, kept where a block starts.
struct State {
    uint32_t assigned = 0;
    uint32_t kinds[4] = {ZEROS, ZEROS, ZEROS, ZEROS};
    static constexpr uint32_t ZEROS = 0x11111111u * KIND_ZERO;

    int kind(int v) const { return static_cast<int>(kinds[v / 8] >> (v % 8 * 4) & 15); }
    void set_kind(int v, int kind)
    {
        uint32_t shift = static_cast<uint32_t>(v % 8 * 4);
        kinds[v / 8] = (kinds[v / 8] & ~(15u << shift)) | static_cast<uint32_t>(kind) << shift;
    }
    bool merge(const State &o)
    {
        bool changed = (assigned | o.assigned) != assigned;
        assigned |= o.assigned;
        for (int w = 0; w < 4; w++) {
            changed |= (kinds[w] | o.kinds[w]) != kinds[w];
            kinds[w] |= o.kinds[w];
        }
        return changed;
    }
};

// One node being worked out: its stage, and what it keeps across its kids.
struct Frame {
    int n;
    int stage;
    int left;    // a binary operator's left operand
    int var;     // an assignment's variable, -1 for an element
    int outer;   // the assignment being walked around it
};

// One statement after another, each tree walked in the order it runs:
// what each node may hold, and what the variables hold after it. With
// report, the mistakes this shows become findings.
struct Walk {
    Script &s;
    State st;
    bool report;
    uint32_t told = 0;   // variables already reported as never set
    int assigning = -1;  // the variable an assignment being walked writes

    int eval(int root);   // what the tree at root may hold, as a Kind mask

    const Node &at(int n) const { return s.nodes[static_cast<std::size_t>(n)]; }
    void read(int v, int n);
    void service(int number, int n);
    void set(int v, int kind);
    int arithmetic(Rule r, int a, int b);
    int step(Frame &f, int *ret);
    int assignment(Frame &f, const Node &x, int stage, int *ret);
    void printed(const Node &x, int kind);
    int called(int n);
};

#endif
