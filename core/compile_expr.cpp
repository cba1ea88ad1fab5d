/*
 * compile_expr.cpp - the expressions of a recorded statement as ops
 * (compile.h). Operands come before their operator; a variable read costs
 * no op, it is read where it is used, unless an assignment inside the
 * statement could change it in between; an element's slot is checked
 * before the right side runs. A jump is kept for the statement's end.
 */
#include "compile.h"

#include <cassert>

const Binary &compile_binary(Rule r)
{
    static const Binary BINARIES[] = {   // ORDER RULES
        {OPADD, ADD_RR, ADD_RK, R_ADD}, {OPSUB, SUB_RR, SUB_RK, RULE_COUNT},
        {OPMUL, MUL_RR, MUL_RK, R_MUL}, {OPDIV, DIV_RR, DIV_RK, RULE_COUNT},
        {OPMOD, MOD_RR, MOD_RK, RULE_COUNT}, {OPAND, BIN_RR, BIN_RK, R_AND},
        {OPOR, BIN_RR, BIN_RK, R_OR},
        {OPGT, GT_RR, GT_RK, R_LT}, {OPLT, LT_RR, LT_RK, R_GT}, {OPGE, GE_RR, GE_RK, R_LE},
        {OPLE, LE_RR, LE_RK, R_GE}, {OPEQ, EQ_RR, EQ_RK, R_EQ}, {OPNE, NE_RR, NE_RK, R_NE},
    };
    return BINARIES[r <= R_OR ? r - R_ADD : 7 + (r - R_GT)];
}

uint8_t Compiler::temp(void)
{
    if (temps == REPLAY_TEMPS)
        failed = true;   // the statement stays with the parser
    return static_cast<uint8_t>(temps < REPLAY_TEMPS ? temps++ : 0);
}

void Compiler::emit(Op op, int n)
{
    op.line = at(n).line;
    out.push_back(op);
}

uint8_t Compiler::reg(Operand o, int n)
{
    if (!o.constant)
        return o.reg;
    uint8_t t = temp();
    emit({.code = LOADK, .d = t, .k = o.k}, n);
    return t;
}

// Where node n's value goes: the hint (a variable the statement assigns
// last), else a new temporary.
uint8_t Compiler::dest(int hint)
{
    return hint >= 0 ? static_cast<uint8_t>(hint) : temp();
}

Operand Compiler::gen_binary(int n, int hint)
{
    Rule r = at(n).rule;
    Operand a = gen(kid(n, 0)), b = gen(kid(n, 1));
    const Binary *bin = &compile_binary(r);
    if (a.constant && !b.constant && bin->swapped != RULE_COUNT) {
        std::swap(a, b);   // the same test or sum with the constant second
        bin = &compile_binary(bin->swapped);
    }
    uint8_t o = token_kind(bin->op);
    if (a.constant && !b.constant) {   // k - x, k / x, k % x
        uint8_t d = dest(hint);
        emit({.code = BIN_KR, .d = d, .a = b.reg, .oper = o, .k = a.k}, n);
        return reg_of(d);
    }
    uint8_t ra = reg(a, n);
    uint8_t d = dest(hint);
    if (b.constant)
        emit({.code = bin->rk, .d = d, .a = ra, .oper = o, .k = b.k}, n);
    else
        emit({.code = bin->rr, .d = d, .a = ra, .b = b.reg, .oper = o}, n);
    return reg_of(d);
}

// An element's slot, checked where the parser checks it: before the right side.
uint8_t Compiler::slot(int addr)
{
    uint8_t index = reg(gen(kid(addr, 0)), addr);
    uint8_t s = temp();
    emit({.code = SLOT, .d = s, .a = var_reg(addr), .b = index}, addr);
    return s;
}

// Whether the ops from `from` on only compute into temporaries the slot's
// check does not read: the check may then come after them, nothing seen moving
// (they cannot report, and write no variable, no memory and no ev).
bool Compiler::only_temps_since(std::size_t from, const Op &check) const
{
    for (std::size_t i = from; i < out.size(); i++) {
        const Op &o = out[i];
        if (o.code >= E_VARIANT || OP_INFO[o.code].reports || o.code == STORE || o.code == STORE_W ||
            o.code == SETEL || o.code == SETEL_K || o.d >= REG_VAR || o.d == check.a || o.d == check.b ||
            o.d == check.d)
            return false;
    }
    return true;
}

Operand Compiler::gen_assign(int n)
{
    int target = kid(n, 0);
    bool to_var = at(target).rule == R_VAR_ADDR;
    bool copy = at(n).rule == R_STRCOPY;
    uint8_t s = to_var ? 0 : slot(target);
    if (copy) {
        uint8_t value = reg(gen(kid(n, 1)), n);
        uint8_t d = temp();
        if (to_var)
            emit({.code = STRCOPY_K, .d = d, .a = value, .k = pool_var_slot(imm8(target))}, n);
        else
            emit({.code = STRCOPY_R, .d = d, .a = value, .b = s}, n);
        return reg_of(d);
    }
    if (!to_var) {
        std::size_t after_slot = out.size();
        Operand right = gen(kid(n, 1));
        if (!run_hooks && only_temps_since(after_slot, out[after_slot - 1])) {
            Op check = out[after_slot - 1];   // checked with the write, after what the right side computed
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(after_slot - 1));
            if (right.constant)
                emit({.code = SETEL_K, .a = check.a, .b = check.b, .k = right.k}, target);
            else
                emit({.code = SETEL, .d = right.reg, .a = check.a, .b = check.b}, target);
            return right;
        }
        uint8_t value = reg(right, n);
        emit({.code = run_hooks ? STORE_W : STORE, .a = value, .b = s}, n);   // a debugger's history
        return reg_of(value);
    }
    uint8_t v = var_reg(target);
    Operand value = gen(kid(n, 1), eager ? -1 : v);
    if (value.constant)
        emit({.code = LOADK, .d = v, .k = value.k}, n);
    else if (value.reg != v)
        emit({.code = MOV, .d = v, .a = value.reg}, n);
    // inside a statement, a later assignment may change v: its value is the copy
    return eager && !value.constant ? value : reg_of(v);
}

// A jump: emitted last, as the search it starts runs after the statement.
void Compiler::jump(int n, Operand cond, Operand count)
{
    Rule r = at(n).rule;
    jumps = true;
    count_value = count;
    uint8_t lab = imm8(n);
    // a count kept below 0 searches once but is no jump to a debugger: JCOUNT
    // tells it as the parser does
    bool known = r == R_IF || r == R_BELOW || r == R_ABOVE ||
                 (r != R_IF_COUNT && count.constant && static_cast<int8_t>(count.k & 0xff) >= 0);
    if (!known) {
        uint8_t c = r == R_IF_COUNT ? reg(cond, n) : 0;
        control = {.code = JCOUNT, .a = c, .b = reg(count, n), .lab = lab, .rule = r};
    } else if (r == R_IF) {
        control = {.code = IF_NZ, .a = reg(cond, n), .lab = lab};
    } else {
        int32_t n8 = r == R_BELOW || r == R_ABOVE ? 1 : static_cast<int8_t>(count.k & 0xff);
        bool above = r == R_ABOVE || r == R_ABOVE_COUNT;
        if (n8 == 0 && !above)
            jumps = false;   // below @ 0: no search
        else
            control = {.code = above ? ABOVE : BELOW, .lab = lab, .k = n8};
    }
    control.line = at(n).line;
    // only a jump that is the statement stores ev as it branches
    if (n == root && (control.code == IF_NZ || control.code == JCOUNT))
        control.code = control.code == IF_NZ ? IF_NZ_E : JCOUNT_E;
}

Operand Compiler::gen(int n, int hint)
{
    const Step &s = at(n);
    switch (s.rule) {
    case R_NUMBER: return const_of(s.imm);
    case R_STRING: {
        uint8_t d = dest(hint);
        emit({.code = STR, .d = d, .k = s.imm}, n);
        return reg_of(d);
    }
    case R_VARIABLE: {
        int v = kid(n, 0);
        if (at(v).rule == R_VAR_VALUE) {
            if (!eager)
                return reg_of(var_reg(v));
            uint8_t d = dest(hint);
            emit({.code = MOV, .d = d, .a = var_reg(v)}, n);
            return reg_of(d);
        }
        uint8_t index = reg(gen(kid(v, 0)), v);
        uint8_t d = dest(hint);
        // v[j + 1], v[j - 1]: the index's constant goes into the read
        const Op *add = out.empty() ? nullptr : &out.back();
        if (add && add->d == index && index < REG_VAR &&
            (add->code == ADD_RK || (add->code == SUB_RK && add->k != INT32_MIN))) {
            Op read{.code = ELEMO, .d = d, .a = var_reg(v), .b = add->a,
                    .k = add->code == ADD_RK ? add->k : -add->k};
            out.pop_back();
            emit(read, v);
            return reg_of(d);
        }
        emit({.code = ELEM, .d = d, .a = var_reg(v), .b = index}, v);
        return reg_of(d);
    }
    case R_ADD: case R_SUB: case R_MUL: case R_DIV: case R_MOD: case R_AND: case R_OR:
    case R_GT: case R_LT: case R_GE: case R_LE: case R_EQ: case R_NE:
        return gen_binary(n, hint);
    case R_NEGATE:
    case R_NOT:
    case R_FUNC:
    case R_NEW: {   // one operand in, a value out
        Operand o = gen(kid(n, 0));
        if (o.constant && s.rule == R_NEGATE)   // -37: a constant, as a bound or a step reads it
            return const_of(static_cast<int32_t>(0u - static_cast<uint32_t>(o.k)));
        if (o.constant && s.rule == R_NOT)
            return const_of(!o.k);
        uint8_t a = reg(o, n);
        uint8_t d = dest(hint);
        Code code = s.rule == R_NEGATE ? NEG : s.rule == R_NOT ? NOT : s.rule == R_FUNC ? CALL : NEW;
        emit({.code = code, .d = d, .a = a}, n);
        return reg_of(d);
    }
    case R_PAREN: return gen(kid(n, 0), hint);
    case R_ASSIGN:
    case R_STRCOPY: return gen_assign(n);
    case R_PUT:
    case R_PUTS: {
        uint8_t a = reg(gen(kid(n, 0)), n);
        emit({.code = s.rule == R_PUT ? PUT : PUTS, .a = a}, n);
        return reg_of(a);
    }
    case R_IF: {
        Operand cond = gen(kid(n, 0));
        jump(n, cond, const_of(1));
        return cond;
    }
    case R_IF_COUNT: {
        Operand cond = gen(kid(n, 0)), count = gen(kid(n, 1));
        jump(n, cond, count);
        return cond;
    }
    case R_BELOW:
    case R_ABOVE:
        jump(n, const_of(0), const_of(1));
        return const_of(s.imm);   // the label's number
    case R_BELOW_COUNT:
    case R_ABOVE_COUNT: {
        Operand count = gen(kid(n, 0));
        jump(n, const_of(0), count);
        if (count.constant)
            return const_of(static_cast<int8_t>(count.k & 0xff));
        uint8_t d = dest(hint);
        emit({.code = KEEP8, .d = d, .a = count.reg}, n);
        return reg_of(d);
    }
    // no expression's reduction: a recording that shows one is not understood
    case R_ACCEPT: case R_S: case R_LIST: case R_EMPTY: case R_STATEMENT: case R_DEFINE:
    case R_REFERENCE: case R_VAR_VALUE: case R_ELEMENT: case R_VAR_ADDR:
    case R_ELEMENT_ADDR: case RULE_COUNT:
        break;
    }
    assert(!"a rule the compiler does not know");
    failed = true;
    return const_of(0);
}
