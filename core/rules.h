/*
 * rules.h - the grammar's rules by name. bison numbers the rules of
 * grammar.y in the order they stand there (1 is its own accept rule); the
 * trace and the docs show those numbers. ORDER RULES
 */
#ifndef RULES_H
#define RULES_H

#include <cstdint>

#include "grammar.h"   // generated: the token codes

enum Rule : uint8_t {
    R_ACCEPT = 1,      // $accept: s $end
    R_S,               // s: list
    R_LIST,            // list: %empty
    R_EMPTY,           // list: list NL
    R_STATEMENT,       // list: list expr NL
    R_DEFINE,          // list: list LABEL COL
    R_REFERENCE,       // list: list LABEL NL
    R_ADD,             // expr: expr OPADD expr
    R_SUB,             // expr: expr OPSUB expr
    R_MUL,             // expr: expr OPMUL expr
    R_DIV,             // expr: expr OPDIV expr
    R_MOD,             // expr: expr OPMOD expr
    R_AND,             // expr: expr OPAND expr
    R_OR,              // expr: expr OPOR expr
    R_NEGATE,          // expr: OPSUB expr
    R_PAREN,           // expr: LP expr RP
    R_ASSIGN,          // expr: variable_addr OPSET expr
    R_STRCOPY,         // expr: variable_addr OPSTRCP expr
    R_IF,              // expr: OPIF expr LABEL
    R_IF_COUNT,        // expr: OPIF expr ATMARK expr LABEL
    R_BELOW,           // expr: OPBELOW LABEL
    R_BELOW_COUNT,     // expr: OPBELOW ATMARK expr LABEL
    R_ABOVE,           // expr: OPABOVE LABEL
    R_ABOVE_COUNT,     // expr: OPABOVE ATMARK expr LABEL
    R_PUT,             // expr: PRINT expr
    R_PUTS,            // expr: PRINTS expr
    R_FUNC,            // expr: FUNC expr
    R_NEW,             // expr: OPNEW expr
    R_GT,              // expr: expr OPGT expr
    R_LT,              // expr: expr OPLT expr
    R_GE,              // expr: expr OPGE expr
    R_LE,              // expr: expr OPLE expr
    R_EQ,              // expr: expr OPEQ expr
    R_NE,              // expr: expr OPNE expr
    R_NOT,             // expr: OPNO expr
    R_NUMBER,          // expr: NUMBER
    R_STRING,          // expr: STRING
    R_VARIABLE,        // expr: variable
    R_VAR_VALUE,       // variable: VARIABLE
    R_ELEMENT,         // variable: VARIABLE LB expr RB
    R_VAR_ADDR,        // variable_addr: VARIABLE
    R_ELEMENT_ADDR,    // variable_addr: VARIABLE LB expr RB
    RULE_COUNT         // one past the last
};

// The item ends with these: a statement, or an item without one.
constexpr bool rule_ends_item(int r) { return r >= R_EMPTY && r <= R_REFERENCE; }
// The jumps: each reduces as its label arrives.
constexpr bool rule_is_jump(int r) { return r >= R_IF && r <= R_ABOVE_COUNT; }
constexpr bool rule_is_binary(int r)
{
    return (r >= R_ADD && r <= R_OR) || (r >= R_GT && r <= R_NE);
}

// ORDER RULES: the rule of each binary operator's token.
constexpr Rule rule_of_operator(int op)
{
    switch (op) {
    case OPADD: return R_ADD;
    case OPSUB: return R_SUB;
    case OPMUL: return R_MUL;
    case OPDIV: return R_DIV;
    case OPMOD: return R_MOD;
    case OPAND: return R_AND;
    case OPOR:  return R_OR;
    case OPGT:  return R_GT;
    case OPLT:  return R_LT;
    case OPGE:  return R_GE;
    case OPLE:  return R_LE;
    case OPEQ:  return R_EQ;
    default:    return R_NE;
    }
}

#endif
