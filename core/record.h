/*
 * record.h - between the recorder (record.cpp) and the compiler
 * (compile.cpp): one reduction as the recorder notes it.
 */
#ifndef RECORD_H
#define RECORD_H

#include <vector>

#include "compiled.h"
#include "rules.h"

struct Step {
    Rule rule;
    int32_t imm;    // the token value the rule read: number, variable, label, text
    int32_t line;   // line_no as the rule ran
};

// The statement whose reductions are steps[0, count) (its own end not
// among them) as ops, numbered from 0 within the statement, each leading to
// the next, the last to op ops->size(): the record's EXIT. A jump, if any,
// is the last op; it and a branch lead to op size() + 1, the JEXIT. False
// for a statement the parser keeps.
bool compile_statement(const std::vector<Step> &steps, std::size_t count, std::vector<Op> *ops);

#endif
