/*
 * expr.cpp - debugger expressions through quill's grammar.
 */
#include "expr.h"

#include "check.h"

namespace {

constexpr int MAX_DEPTH = 200;

bool emit(const Script &s, int n, std::string *ops, std::string *why, int depth, bool effects)
{
    if (n < 0)
        return *why = "the expression is cut short", false;
    if (depth > MAX_DEPTH)
        return *why = "the expression is nested too deeply", false;
    const Node &x = s.nodes[static_cast<std::size_t>(n)];
    int r = x.rule;
    auto kid = [&](int k) { return emit(s, check_kid(s, n, k), ops, why, depth + 1, effects); };
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
        break;
    }
    if (effects) {
        switch (r) {
        case R_ASSIGN: {   // the place first (an element's index), then the value
            int place = check_kid(s, n, 0);
            const Node &p = s.nodes[static_cast<std::size_t>(place)];
            bool element = p.rule == R_ELEMENT_ADDR;
            if ((element && !emit(s, check_kid(s, place, 0), ops, why, depth + 1, effects)) || !kid(1))
                return false;
            *ops += std::string(element ? " =e" : " =v") + std::to_string(check_value(s, place));
            return true;
        }
        case R_FUNC:
            return kid(0) && (*ops += " f", true);
        case R_NEW:
            return kid(0) && (*ops += " w", true);
        case R_PUT:
            return kid(0) && (*ops += " p", true);
        case R_PUTS:
            return kid(0) && (*ops += " q", true);
        case R_STRING: {   // the text as the scanner kept it, in hex
            static const char digits[] = "0123456789abcdef";
            const Tok &t = s.toks[static_cast<std::size_t>(x.first)];
            std::string text = s.scanned.substr(t.start + 1, t.length >= 2 ? t.length - 2 : 0);
            *ops += " s";
            for (unsigned char c : text) {
                *ops += digits[c >> 4];
                *ops += digits[c & 15];
            }
            return true;
        }
        default:
            *why = rule_is_jump(r) ? "a jump would move the run: the debug console does not take one "
                                     "(goto moves it)"
                                   : "the debug console does not take := yet";
            return false;
        }
    }
    switch (r) {
    default:
        *why = "it would change the run: func, new, texts in quotes, assignments, jumps and "
               "prints are not evaluated here";
        return false;
    }
}

bool compile(const std::string &text, std::string *ops, std::string *why, bool effects)
{
    Script s;
    s.name = "expression";
    s.text = text + ";";
    check_parse(s);
    for (const Finding &f : s.findings)
        if (f.severity == Severity::ERROR)
            return *why = "not an expression: " + f.message, false;
    ops->clear();
    int statements = 0;
    for (std::size_t i = 0; i < s.items.size(); i++) {
        if (s.items[i].kind == ItemKind::EMPTY)
            continue;
        if (s.items[i].kind != ItemKind::STATEMENT)
            return *why = effects ? "not a statement" : "not an expression", false;
        if (statements++ && !effects)
            return *why = "one expression, without ';'", false;
        if (statements > 1)
            *ops += " .";   // the value of the one before is dropped
        if (!emit(s, s.items[i].root, ops, why, 0, effects))
            return false;
    }
    return statements ? true : (*why = effects ? "no statement" : "not an expression", false);
}

}  // namespace

bool expr_compile(const std::string &text, std::string *ops, std::string *why)
{
    return compile(text, ops, why, false);
}

bool expr_compile_statements(const std::string &text, std::string *ops, std::string *why)
{
    std::string t = text;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\n' || t.back() == ';'))
        t.pop_back();
    return compile(t, ops, why, true);
}
