/*
 * compile.h - between the two halves of the compiler: the statement
 * (compile.cpp: its tree, the fused if, ev) and its expressions with their
 * jump (compile_expr.cpp), which it calls. Nothing else sees it.
 */
#ifndef COMPILE_H
#define COMPILE_H

#include <vector>

#include "compiled.h"
#include "record.h"

// A reduction in the statement's tree: the reductions are its post-order.
struct Node {
    const Step *step;
    int kids[2];
    int nkids;
};

// Where a value is: in a register, or a constant known as the statement compiles.
struct Operand {
    bool constant;
    int32_t k;
    uint8_t reg;
};

inline Operand reg_of(uint8_t r) { return {false, 0, r}; }
inline Operand const_of(int32_t k) { return {true, k, 0}; }

struct Compiler {
    std::vector<Node> nodes;
    std::vector<Op> &out;
    int root = -1;                       // the statement's node
    int temps = 0;
    bool eager = false;                  // an assignment inside the statement: read variables at once
    bool failed = false;
    Op control{.code = NOTHING};         // the jump, emitted last
    bool jumps = false;
    Operand count_value = const_of(0);   // a jump's count, as evaluated

    const Step &at(int n) const { return *nodes[static_cast<std::size_t>(n)].step; }
    int kid(int n, int i) const { return nodes[static_cast<std::size_t>(n)].kids[i]; }
    uint8_t imm8(int n) const { return static_cast<uint8_t>(at(n).imm); }
    uint8_t var_reg(int n) const { return static_cast<uint8_t>(REG_VAR + at(n).imm); }

    /* ---- compile_expr.cpp ---- */
    uint8_t temp(void);
    void emit(Op op, int n);                  // with node n's line
    uint8_t reg(Operand o, int n);            // o in a register: a constant loaded
    uint8_t dest(int hint);
    Operand gen(int n, int hint = -1);        // node n's ops; where its value is
    Operand gen_binary(int n, int hint);
    uint8_t slot(int addr);
    bool only_temps_since(std::size_t from, const Op &check) const;
    Operand gen_assign(int n);
    void jump(int n, Operand cond, Operand count);   // the jump of node n, emitted last

    /* ---- compile.cpp ---- */
    bool build(const std::vector<Step> &steps, std::size_t count);   // the tree, its root
    bool assigns_inside(int n, bool at_root) const;
    bool fused_if(void);
    void store_ev(Operand value);
};

// ORDER RULES: per binary rule, its operator and its ops on two registers,
// on a register and a constant; the comparison with its operands swapped.
struct Binary {
    int op;
    uint8_t rr, rk;
    Rule swapped;
};
const Binary &compile_binary(Rule r);

#endif
