/*
 * grammar.y - the language's rules. Every action is one call into core/;
 * rule numbers (1 = accept) are what the trace and the docs use, and
 * core/rules.h names them. ORDER RULES
 *
 * quill-check builds the same generated parser a second time with
 * QUILL_CHECK, where the same calls build a tree instead of running.
 */
%{
#ifdef QUILL_CHECK
#include "grammar_actions.h"
#else
#include "quill.h"
#endif

#define YYINITDEPTH 200
#define YYMAXDEPTH 10000
#define YY_(msg) diag_parser_text(msg)   /* "memory exhausted" is ours to name */
#define YYSTYPE_IS_TRIVIAL 1             /* else a C++ build cannot grow the stacks */
#ifdef QUILL_FUZZ
#define YYSTACK_USE_ALLOCA 1             /* the fuzz harness longjmps out: leak nothing */
#endif
%}

%define api.value.type {int}
%expect 0

%token NL 258
%token COL 259
%token NUMBER 260
%token VARIABLE 261
%token STRING 262
%token LABEL 263
%token LP 264
%token RP 265
%token LB 266
%token RB 267
%token ATMARK 268
%token OPIF 269
%token OPBELOW 270
%token OPABOVE 271
%token PRINTS 272
%token PRINT 273
%token OPSET 274
%token OPSTRCP 275
%token OPOR 276
%token OPAND 277
%token OPNO 278
%token OPNE 279
%token OPEQ 280
%token OPLE 281
%token OPGE 282
%token OPLT 283
%token OPGT 284
%token OPSUB 285
%token OPADD 286
%token OPMOD 287
%token OPDIV 288
%token OPMUL 289
%token MINUS 290
%token FUNC 291
%token OPNEW 292

/* loosest first; default reductions rest on this exact table */
%precedence PRINTS PRINT
%precedence OPSET OPSTRCP
%left  OPOR OPAND
%left  OPNO OPNE OPEQ OPLE OPGE OPLT OPGT
%left  OPSUB OPADD
%left  OPMOD OPDIV OPMUL
%precedence MINUS
%precedence FUNC OPNEW

%start s

%%

s       : list                              { }
        ;
list    : %empty                            { }
        | list NL                           { eval_empty(); }
        | list expr NL                      { eval_statement($2); }
        | list LABEL COL                    { jump_define($2); }
        | list LABEL NL                     { jump_reference($2); }
        ;
expr    : expr OPADD expr                   { $$ = eval_binary(OPADD, $1, $3); }
        | expr OPSUB expr                   { $$ = eval_binary(OPSUB, $1, $3); }
        | expr OPMUL expr                   { $$ = eval_binary(OPMUL, $1, $3); }
        | expr OPDIV expr                   { $$ = eval_binary(OPDIV, $1, $3); }
        | expr OPMOD expr                   { $$ = eval_binary(OPMOD, $1, $3); }
        | expr OPAND expr                   { $$ = eval_binary(OPAND, $1, $3); }
        | expr OPOR expr                    { $$ = eval_binary(OPOR, $1, $3); }
        | OPSUB expr %prec MINUS            { $$ = eval_negate($2); }
        | LP expr RP                        { $$ = eval_paren($2); }
        | variable_addr OPSET expr          { $$ = eval_assign($1, $3); }
        | variable_addr OPSTRCP expr        { $$ = eval_strcopy($1, $3); }
        | OPIF expr LABEL                   { $$ = jump_if($2, $3); }
        | OPIF expr ATMARK expr LABEL       { $$ = jump_if_count($2, $4, $5); }
        | OPBELOW LABEL                     { $$ = jump_below($2); }
        | OPBELOW ATMARK expr LABEL         { $$ = jump_below_count($3, $4); }
        | OPABOVE LABEL                     { $$ = jump_above($2); }
        | OPABOVE ATMARK expr LABEL         { $$ = jump_above_count($3, $4); }
        | PRINT expr                        { $$ = eval_put($2); }
        | PRINTS expr                       { $$ = eval_puts($2); }
        | FUNC expr                         { $$ = eval_func($2); }
        | OPNEW expr                        { $$ = eval_new($2); }
        | expr OPGT expr                    { $$ = eval_binary(OPGT, $1, $3); }
        | expr OPLT expr                    { $$ = eval_binary(OPLT, $1, $3); }
        | expr OPGE expr                    { $$ = eval_binary(OPGE, $1, $3); }
        | expr OPLE expr                    { $$ = eval_binary(OPLE, $1, $3); }
        | expr OPEQ expr                    { $$ = eval_binary(OPEQ, $1, $3); }
        | expr OPNE expr                    { $$ = eval_binary(OPNE, $1, $3); }
        | OPNO expr                         { $$ = eval_not($2); }
        | NUMBER                            { $$ = eval_number($1); }
        | STRING                            { $$ = eval_string($1); }
        | variable                          { $$ = eval_variable($1); }
        ;
variable
        : VARIABLE                          { $$ = eval_var_value($1); }
        | VARIABLE LB expr RB               { $$ = eval_element($1, $3); }
        ;
variable_addr
        : VARIABLE                          { $$ = eval_var_addr($1); }
        | VARIABLE LB expr RB               { $$ = eval_element_addr($1, $3); }
        ;

%%

void yyerror(const char *msg)
{
    diag_syntax(msg);
}
