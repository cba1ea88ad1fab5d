/*
 * actions.h - what the grammar's actions call: one helper per rule family.
 * The interpreter runs them (eval.cpp, jump.cpp); quill-check builds the
 * same calls into a tree of the statement (check/actions.cpp). The values
 * are the interpreter's values, or the checker's node numbers.
 */
#ifndef ACTIONS_H
#define ACTIONS_H

#include <cstdint>

int yyparse(void);
int yylex(void);
void yyerror(const char *msg);

void eval_statement(int32_t value);
void eval_empty(void);
int32_t eval_binary(int op, int32_t a, int32_t b);
int32_t eval_negate(int32_t a);
int32_t eval_not(int32_t a);
int32_t eval_paren(int32_t a);
int32_t eval_assign(int32_t slot, int32_t value);
int32_t eval_strcopy(int32_t slot, int32_t value);
int32_t eval_put(int32_t value);
int32_t eval_puts(int32_t value);
int32_t eval_func(int32_t no);
int32_t eval_new(int32_t count);
int32_t eval_number(int32_t value);
int32_t eval_string(int32_t text);
int32_t eval_variable(int32_t value);
int32_t eval_var_value(int index);
int32_t eval_element(int index, int32_t at);
int32_t eval_var_addr(int index);
int32_t eval_element_addr(int index, int32_t at);

int32_t jump_if(int32_t cond, int lab);
int32_t jump_if_count(int32_t cond, int32_t count, int lab);
int32_t jump_below(int lab);
int32_t jump_below_count(int32_t count, int lab);
int32_t jump_above(int lab);
int32_t jump_above_count(int32_t count, int lab);
void jump_define(int lab);
void jump_reference(int lab);

#endif
