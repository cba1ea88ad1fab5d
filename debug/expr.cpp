/*
 * expr.cpp - debugger expressions through quill's grammar.
 */
#include "expr.h"

#include "check.h"

namespace {

constexpr int MAX_DEPTH = 200;

bool emit(const Script &s, int n, std::string *ops, std::string *why, int depth)
{
    if (n < 0)
        return *why = "the expression is cut short", false;
    if (depth > MAX_DEPTH)
        return *why = "the expression is nested too deeply", false;
    const Node &x = s.nodes[static_cast<std::size_t>(n)];
    int r = x.rule;
    auto kid = [&](int k) { return emit(s, check_kid(s, n, k), ops, why, depth + 1); };
    if (rule_is_binary(r)) {
        if (!kid(0) || !kid(1))
            return false;
        const Node &left = s.nodes[static_cast<std::size_t>(check_kid(s, n, 0))];
        *ops += " b" + std::to_string(s.toks[static_cast<std::size_t>(left.last + 1)].code);   // the operator
        return true;
    }
    switch (r) {
    case R_NUMBER:
        *ops += " n" + std::to_string(check_value(s, n));
        return true;
    case R_VARIABLE:
    case R_PAREN:
        return kid(0);
    case R_VAR_VALUE:
        *ops += " v" + std::to_string(check_value(s, n));
        return true;
    case R_ELEMENT:
        if (!kid(0))
            return false;
        *ops += " e" + std::to_string(check_value(s, n));
        return true;
    case R_NEGATE:
        return kid(0) && (*ops += " -", true);
    case R_NOT:
        return kid(0) && (*ops += " !", true);
    default:
        *why = "it would change the run: func, new, texts in quotes, assignments, jumps and "
               "prints are not evaluated here";
        return false;
    }
}

}  // namespace

bool expr_compile(const std::string &text, std::string *ops, std::string *why)
{
    Script s;
    s.name = "expression";
    s.text = text + ";";
    check_parse(s);
    for (const Finding &f : s.findings)
        if (f.severity == Severity::ERROR)
            return *why = "not an expression: " + f.message, false;
    const Item *statement = nullptr;
    for (std::size_t i = 0; i < s.items.size(); i++) {
        if (s.items[i].kind == ItemKind::STATEMENT) {
            if (statement)
                return *why = "one expression, without ';'", false;
            statement = &s.items[i];
        } else if (s.items[i].kind != ItemKind::EMPTY) {
            return *why = "not an expression", false;
        }
    }
    if (!statement)
        return *why = "not an expression", false;
    ops->clear();
    return emit(s, statement->root, ops, why, 0);
}
