/*
 * walk.cpp - a statement's tree walked in the order it runs, with what the
 * variables may hold before it: whether anything can have set each, and
 * whether it holds a number, a text or an array. What the walk reports:
 * reads that always see the starting 0, services given no text, put of a
 * text, puts of a number, an element of a text, and an assignment where a
 * condition was meant.
 */
#include "values.h"

namespace {

std::string var_name(int v)
{
    return std::string("`") + static_cast<char>('a' + v) + "`";
}

std::vector<Frame> stack;   // kept from walk to walk: no allocation per statement

}  // namespace

void Walk::read(int v, int n)
{
    // s = s + x starting from 0 is how a sum begins: not a mistake
    if (!report || (st.assigned >> v & 1) || (told >> v & 1) || v == assigning)
        return;
    told |= 1u << v;
    check_report(s, at(n).first, at(n).last, Code::NEVER_SET,
                 var_name(v) + " is read before anything sets it: it is 0 on every run "
                 "that gets here");
}

void Walk::service(int number, int n)
{
    const Service *svc = check_service(number);
    if (!svc || !report)
        return;
    for (const char *p = svc->needs; *p; p++) {
        int v = *p - 'a';
        if (*p == ' ' || (st.assigned >> v & 1))
            continue;
        check_report(s, at(n).first, at(n).last, Code::SERVICE_GETS_0,
                     "function " + std::to_string(number) + " reads " + var_name(v) +
                         ", which nothing sets before here: it does nothing and returns 0");
    }
}

void Walk::set(int v, int kind)
{
    st.assigned |= 1u << v;
    st.set_kind(v, kind);
}

int Walk::arithmetic(Rule r, int a, int b)
{
    bool address = (a | b) & (KIND_TEXT | KIND_ARRAY);   // an address plus or minus a number
    if (address && (r == R_ADD || r == R_SUB))
        return KIND_ANY;
    return KIND_NUMBER | KIND_ZERO;
}

int Walk::eval(int root)
{
    // a stack of its own: an expression's depth is the input's
    stack.assign(1, Frame{root, 0, 0, -1, -1});
    int ret = KIND_ZERO;   // what the node done last may hold
    while (!stack.empty()) {
        Frame f = stack.back();
        int kid = step(f, &ret);
        stack.back() = f;
        if (kid >= 0)
            stack.push_back(Frame{kid, 0, 0, -1, -1});
        else
            stack.pop_back();
    }
    return ret;
}

// The next kid of f to work out, or -1 once f is done and *ret holds its kind.
int Walk::step(Frame &f, int *ret)
{
    const Node &x = at(f.n);
    int32_t value = check_value(s, f.n);   // of a number, a variable, an element
    int second = check_kid(s, f.n, 1);
    int stage = f.stage++;
    bool one_kid = x.rule == R_PAREN || x.rule == R_NEW || x.rule == R_PUT || x.rule == R_PUTS ||
                   x.rule == R_FUNC;
    if (one_kid && stage == 0)
        return x.kid;   // then the node itself, with its kid's kind in *ret
    switch (x.rule) {
    case R_NUMBER: *ret = value ? KIND_NUMBER : KIND_ZERO; return -1;
    case R_STRING: *ret = KIND_TEXT; return -1;
    case R_VAR_VALUE: read(value, f.n); *ret = st.kind(value); return -1;
    case R_PAREN: return -1;
    case R_ELEMENT:
        if (stage == 0) {
            read(value, f.n);
            if (report && st.kind(value) == KIND_TEXT)
                check_report(s, x.first, x.last, Code::TEXT_ELEMENT,
                             "an element of a text reads the 4 bytes from 4 times the index on "
                             "as one number; its character k: `t = " + std::string(1, 'a' + value) +
                                 " + k; c = (t[0] % 256 + 256) % 256`");
            return x.kid;
        }
        *ret = KIND_ANY;
        return -1;
    case R_NEW: *ret = KIND_ARRAY; return -1;
    case R_ASSIGN:
    case R_STRCOPY: return assignment(f, x, stage, ret);
    case R_PUT:
    case R_PUTS: printed(x, *ret); return -1;
    case R_FUNC: *ret = called(f.n); return -1;
    case R_IF:
    case R_IF_COUNT:
        if (stage == 0) {
            if (report && at(x.kid).rule == R_ASSIGN)
                check_report(s, at(x.kid).first, at(x.kid).last, Code::ASSIGN_CONDITION,
                             "the condition is an assignment: = stores, == compares");
            return x.kid;
        }
        return stage == 1 ? second : -1;   // the count's kind, else the condition's
    default:
        break;
    }
    if (stage == 0 && x.kid >= 0)
        return x.kid;
    if (stage <= 1) {
        f.left = stage == 0 ? KIND_ZERO : *ret;
        f.stage = 2;
        if (second >= 0)
            return second;
        *ret = KIND_ZERO;
    }
    *ret = rule_is_binary(x.rule) ? arithmetic(x.rule, f.left, *ret)
                                  : KIND_NUMBER | KIND_ZERO;   // negation, !, the jumps' own values
    return -1;
}

// The slot first (an element's base and index), then the value.
int Walk::assignment(Frame &f, const Node &x, int stage, int *ret)
{
    const Node &slot = at(x.kid);
    if (stage == 0 && slot.rule != R_VAR_ADDR) {
        read(check_value(s, x.kid), x.kid);   // the element's base
        return slot.kid;
    }
    if (stage <= 1) {
        f.var = slot.rule == R_VAR_ADDR ? check_value(s, x.kid) : -1;
        f.outer = assigning;
        assigning = f.var;
        f.stage = 2;
        return f.n - 1;   // the value: the node made just before
    }
    assigning = f.outer;
    if (x.rule == R_STRCOPY)
        *ret = KIND_TEXT | KIND_ZERO;
    if (f.var >= 0)
        set(f.var, *ret);
    return -1;
}

void Walk::printed(const Node &x, int kind)
{
    if (!report)
        return;
    // a text or an array, or 0 where a service or ~ found none: never a number
    if (x.rule == R_PUT && (kind & (KIND_TEXT | KIND_ARRAY)) && !(kind & KIND_NUMBER))
        check_report(s, x.first, x.last, Code::PUT_TEXT,
                     std::string("put prints this ") + (kind & KIND_TEXT ? "text" : "array") +
                         "'s address as a number: puts prints a text");
    if (x.rule == R_PUTS && (kind & KIND_NUMBER) && !(kind & ~(KIND_NUMBER | KIND_ZERO)))
        check_report(s, x.first, x.last, Code::PUTS_NUMBER,
                     "puts of a number prints the text at that address (or stops with "
                     "Bad address): put prints numbers");
}

int Walk::called(int n)
{
    int k = at(n).kid;
    const Node &no = at(k);
    int32_t number = no.rule == R_NUMBER ? check_value(s, k)
                   : no.rule == R_NEGATE && at(no.kid).rule == R_NUMBER
                       ? -check_value(s, no.kid) : INT32_MIN;
    service(number, n);
    const Service *svc = check_service(number);
    return svc ? svc->returns : KIND_ANY;
}
