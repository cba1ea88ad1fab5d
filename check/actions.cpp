/*
 * actions.cpp - what the grammar's actions do in quill-check: each rule
 * makes a node of its statement's tree, with the tokens it covers, and
 * each item ends in the script's list. The parser (parse.cpp) feeds them.
 */
#include "check.h"
#include "grammar_actions.h"

namespace {

int32_t node(Rule rule, int32_t value, int k0, int k1, int first, int last)
{
    std::vector<Node> &nodes = parse_script->nodes;
    nodes.push_back(Node{rule, value, {k0, k1}, first, last});
    return static_cast<int32_t>(nodes.size()) - 1;
}

const Node &at(int32_t n)
{
    return parse_script->nodes[static_cast<std::size_t>(n)];
}

// A node whose first token is its operand's, less the tokens before it.
int32_t prefix(Rule rule, int before, int32_t kid)
{
    return node(rule, 0, kid, -1, at(kid).first - before, at(kid).last);
}

// A node that ends with a token of its own.
int32_t closed(Rule rule, int32_t value, int k0, int k1, int before_kid)
{
    return node(rule, value, k0, k1, at(k0).first - before_kid, parse_rule_last());
}

int32_t leaf(Rule rule, int32_t value, int tokens)
{
    int last = parse_rule_last();
    return node(rule, value, -1, -1, last - tokens + 1, last);
}

}  // namespace

void eval_empty(void) { parse_item(ItemKind::EMPTY, -1); }
void eval_statement(int32_t root) { parse_item(ItemKind::STATEMENT, root); }
void jump_define(int lab) { parse_item(ItemKind::DEFINITION, lab); }
void jump_reference(int lab) { parse_item(ItemKind::REFERENCE, lab); }

int32_t eval_binary(int op, int32_t a, int32_t b)
{
    return node(rule_of_operator(op), 0, a, b, at(a).first, at(b).last);
}

int32_t eval_assign(int32_t slot, int32_t value)
{
    return node(R_ASSIGN, 0, slot, value, at(slot).first, at(value).last);
}

int32_t eval_strcopy(int32_t slot, int32_t value)
{
    return node(R_STRCOPY, 0, slot, value, at(slot).first, at(value).last);
}

int32_t eval_negate(int32_t a) { return prefix(R_NEGATE, 1, a); }
int32_t eval_not(int32_t a) { return prefix(R_NOT, 1, a); }
int32_t eval_put(int32_t value) { return prefix(R_PUT, 1, value); }
int32_t eval_puts(int32_t value) { return prefix(R_PUTS, 1, value); }
int32_t eval_func(int32_t no) { return prefix(R_FUNC, 1, no); }
int32_t eval_new(int32_t count) { return prefix(R_NEW, 1, count); }
int32_t eval_variable(int32_t value) { return prefix(R_VARIABLE, 0, value); }
int32_t eval_paren(int32_t a) { return closed(R_PAREN, 0, a, -1, 1); }
int32_t jump_if(int32_t cond, int lab) { return closed(R_IF, lab, cond, -1, 1); }
int32_t jump_if_count(int32_t cond, int32_t count, int lab) { return closed(R_IF_COUNT, lab, cond, count, 1); }
int32_t jump_below_count(int32_t count, int lab) { return closed(R_BELOW_COUNT, lab, count, -1, 2); }
int32_t jump_above_count(int32_t count, int lab) { return closed(R_ABOVE_COUNT, lab, count, -1, 2); }
int32_t eval_element(int index, int32_t i) { return closed(R_ELEMENT, index, i, -1, 2); }
int32_t eval_element_addr(int index, int32_t i) { return closed(R_ELEMENT_ADDR, index, i, -1, 2); }
int32_t jump_below(int lab) { return leaf(R_BELOW, lab, 2); }
int32_t jump_above(int lab) { return leaf(R_ABOVE, lab, 2); }
int32_t eval_number(int32_t value) { return leaf(R_NUMBER, value, 1); }
int32_t eval_string(int32_t tok) { return leaf(R_STRING, tok, 1); }
int32_t eval_var_value(int index) { return leaf(R_VAR_VALUE, index, 1); }
int32_t eval_var_addr(int index) { return leaf(R_VAR_ADDR, index, 1); }
