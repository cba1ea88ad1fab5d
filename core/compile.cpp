/*
 * compile.cpp - a recorded statement into ops on registers (compiled.h).
 * The reductions in the order the parser made them are the statement's
 * tree in post-order; the ops keep that order of effects, each with the
 * line the parser had. Its expressions (and the jump, the statement's last
 * op) are compile_expr.cpp's; here are the tree, the fused if and ev.
 */
#include "compile.h"

#include <utility>

namespace {

int arity(Rule rule)
{
    if (rule_is_binary(rule))
        return 2;
    switch (rule) {
    case R_ASSIGN: case R_STRCOPY: case R_IF_COUNT:
        return 2;
    case R_EMPTY: case R_DEFINE: case R_REFERENCE: case R_BELOW: case R_ABOVE:
    case R_NUMBER: case R_STRING: case R_VAR_VALUE: case R_VAR_ADDR:
        return 0;
    default:
        return 1;
    }
}

// The branch that tests a comparison rule: its RR form; RK is one more.
uint8_t branch_of(Rule r)
{
    switch (r) {
    case R_LT: return IF_LT_RR;
    case R_LE: return IF_LE_RR;
    case R_GT: return IF_GT_RR;
    case R_GE: return IF_GE_RR;
    case R_EQ: return IF_EQ_RR;
    default:   return IF_NE_RR;
    }
}

bool is_comparison(Rule r)
{
    return r >= R_GT && r <= R_NE;
}

}  // namespace

bool Compiler::build(const std::vector<Step> &steps, std::size_t count)
{
    std::vector<int> open;
    for (std::size_t i = 0; i < count; i++) {
        Node node{&steps[i], {-1, -1}, arity(steps[i].rule)};
        if (static_cast<int>(open.size()) < node.nkids)
            return false;
        for (int k = node.nkids - 1; k >= 0; k--) {
            node.kids[k] = open.back();
            open.pop_back();
        }
        nodes.push_back(node);
        open.push_back(static_cast<int>(nodes.size()) - 1);
    }
    if (open.size() != 1)
        return false;
    root = open[0];
    return true;
}

// Whether an assignment to a variable stands anywhere but at the root.
bool Compiler::assigns_inside(int n, bool at_root) const
{
    Rule r = at(n).rule;
    if (!at_root && (r == R_ASSIGN || r == R_STRCOPY) && at(kid(n, 0)).rule == R_VAR_ADDR)
        return true;
    for (int i = 0; i < nodes[static_cast<std::size_t>(n)].nkids; i++)
        if (assigns_inside(kid(n, i), false))
            return true;
    return false;
}

// if x cmp y X as one op; false when the condition is another expression.
bool Compiler::fused_if(void)
{
    if (at(root).rule != R_IF)
        return false;
    int c = kid(root, 0);
    Rule r = at(c).rule;
    if (!is_comparison(r))
        return false;
    Operand a = gen(kid(c, 0)), b = gen(kid(c, 1));
    if (a.constant && !b.constant) {
        std::swap(a, b);
        r = compile_binary(r).swapped;
    }
    uint8_t code = branch_of(r);
    jumps = true;
    uint8_t ra = reg(a, c);
    if (b.constant)
        control = {.code = static_cast<uint8_t>(code + 1), .a = ra, .lab = imm8(root), .k = b.k};
    else
        control = {.code = code, .a = ra, .b = b.reg, .lab = imm8(root)};
    control.line = at(c).line;
    return true;
}

// ev as the statement's last rule that stores it leaves it.
void Compiler::store_ev(Operand value)
{
    Rule r = at(root).rule;
    if (r == R_IF || r == R_IF_COUNT || r == R_BELOW || r == R_ABOVE || r == R_PUT ||
        r == R_PUTS)
        return;   // the branch stores it, a jump keeps it, or put did
    if (r == R_BELOW_COUNT || r == R_ABOVE_COUNT) {
        if (control.code == JCOUNT_E)
            return;   // it stores the count itself
        value = count_value;   // the count as evaluated, not as kept
    }
    if (value.constant && !out.empty() && out.back().code == SETEL_K && out.back().k == value.k) {
        out.back().code = SETEL_K_E;
        return;
    }
    if (!value.constant && !out.empty()) {
        Op &last = out.back();
        bool produced = last.code < E_VARIANT && (last.code == STORE || last.code == STORE_W ? last.a : last.d) == value.reg;
        if (produced) {
            last.code = static_cast<uint8_t>(last.code + E_VARIANT);
            return;
        }
    }
    if (value.constant)
        emit({.code = EV_K, .k = value.k}, root);
    else
        emit({.code = EV, .a = value.reg}, root);
}

bool compile_statement(const std::vector<Step> &steps, std::size_t count, std::vector<Op> *ops)
{
    ops->clear();
    Compiler c{{}, *ops};
    if (!c.build(steps, count))
        return false;
    c.eager = c.assigns_inside(c.root, true);
    Operand value = const_of(0);
    if (c.eager || !c.fused_if())
        value = c.gen(c.root);
    c.store_ev(value);
    if (c.jumps)
        ops->push_back(c.control);
    return !c.failed && !ops->empty();
}
