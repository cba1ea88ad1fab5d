/*
 * actions.cpp - what the grammar's actions do in quill-check: each rule
 * makes a node of its statement's tree, with the tokens it covers, and
 * each item ends in the script's list (items.cpp).
 */
#include "grammar_actions.h"
#include "parse.h"

namespace {

int32_t node(Rule rule, int kid, int first, int last)
{
    Chunks<Node> &nodes = items_script->nodes;
    nodes.push_back(Node{first, last, kid, rule});
    return static_cast<int32_t>(nodes.size()) - 1;
}

const Node &at(int32_t n)
{
    return items_script->nodes[static_cast<std::size_t>(n)];
}

// A node whose first token is its operand's, less the tokens before it.
int32_t prefix(Rule rule, int before, int32_t kid)
{
    return node(rule, kid, items_back(at(kid).first, before), at(kid).last);
}

// A node that ends with a token of its own.
int32_t closed(Rule rule, int kid, int before_kid)
{
    return node(rule, kid, items_back(at(kid).first, before_kid), items_rule_last());
}

int32_t leaf(Rule rule, int tokens)
{
    int last = items_rule_last();
    return node(rule, -1, items_back(last, tokens - 1), last);
}

// A node over two operands; the second is the node just made.
int32_t pair(Rule rule, int32_t a, int32_t b)
{
    return node(rule, a, at(a).first, at(b).last);
}

}  // namespace

void eval_empty(void) { items_end(ItemKind::EMPTY, -1); }
void eval_statement(int32_t root) { items_end(ItemKind::STATEMENT, root); }
void jump_define(int lab) { items_end(ItemKind::DEFINITION, lab); }
void jump_reference(int lab) { items_end(ItemKind::REFERENCE, lab); }

int32_t eval_binary(int op, int32_t a, int32_t b) { return pair(rule_of_operator(op), a, b); }
int32_t eval_assign(int32_t slot, int32_t value) { return pair(R_ASSIGN, slot, value); }
int32_t eval_strcopy(int32_t slot, int32_t value) { return pair(R_STRCOPY, slot, value); }
int32_t eval_negate(int32_t a) { return prefix(R_NEGATE, 1, a); }
int32_t eval_not(int32_t a) { return prefix(R_NOT, 1, a); }
int32_t eval_put(int32_t value) { return prefix(R_PUT, 1, value); }
int32_t eval_puts(int32_t value) { return prefix(R_PUTS, 1, value); }
int32_t eval_func(int32_t no) { return prefix(R_FUNC, 1, no); }
int32_t eval_new(int32_t count) { return prefix(R_NEW, 1, count); }
int32_t eval_variable(int32_t value) { return value; }   // a variable as a value: nothing to add
int32_t eval_paren(int32_t a) { return closed(R_PAREN, a, 1); }
int32_t jump_if(int32_t cond, int) { return closed(R_IF, cond, 1); }
int32_t jump_if_count(int32_t cond, int32_t, int) { return closed(R_IF_COUNT, cond, 1); }   // the count: just made
int32_t jump_below_count(int32_t count, int) { return closed(R_BELOW_COUNT, count, 2); }
int32_t jump_above_count(int32_t count, int) { return closed(R_ABOVE_COUNT, count, 2); }
int32_t eval_element(int, int32_t i) { return closed(R_ELEMENT, i, 2); }
int32_t eval_element_addr(int, int32_t i) { return closed(R_ELEMENT_ADDR, i, 2); }
int32_t jump_below(int) { return leaf(R_BELOW, 2); }
int32_t jump_above(int) { return leaf(R_ABOVE, 2); }
int32_t eval_number(int32_t) { return leaf(R_NUMBER, 1); }
int32_t eval_string(int32_t) { return leaf(R_STRING, 1); }
int32_t eval_var_value(int) { return leaf(R_VAR_VALUE, 1); }
int32_t eval_var_addr(int) { return leaf(R_VAR_ADDR, 1); }
