/*
 * eval.cpp - what each expression and statement rule does. Every helper
 * stores ev where its rule does and writes the rule's trace line.
 */
#include "quill.h"

#include <cerrno>

int32_t ev;   // last access value: the exit status

/* Output that cannot be written ends the run at once: a loop must not spin
   on with dead output (SIGPIPE may be ignored, Windows has none). */
static void flush_output(void)
{
    if (std::fflush(stdout) != 0)
        diag_output_failed(errno);
}

// After code that wrote without flushing (the library's own prints).
void eval_check_output(void)
{
    if (std::ferror(stdout)) {
        flush_output();   // the failure again, for its reason
        diag_output_failed(EIO);
    }
}

static int32_t stored(int32_t value)
{
    ev = value;
    return value;
}

static int32_t wrap(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// Quotient and remainder without traps: INT32_MIN / -1 wraps like the rest.
int32_t eval_divide(int op, int32_t a, int32_t b)
{
    if (b == 0)
        diag_runtime("Division by zero.");
    if (b == -1)
        return op == OPDIV ? wrap(-int64_t(a)) : 0;
    return op == OPDIV ? a / b : a % b;
}

static int rule_of(int op)
{
    switch (op) {
    case OPADD: return 8;
    case OPSUB: return 9;
    case OPMUL: return 10;
    case OPDIV: return 11;
    case OPMOD: return 12;
    case OPAND: return 13;
    case OPOR:  return 14;
    case OPGT:  return 29;
    case OPLT:  return 30;
    case OPGE:  return 31;
    case OPLE:  return 32;
    case OPEQ:  return 33;
    default:    return 34;   // OPNE
    }
}

int32_t eval_binary(int op, int32_t a, int32_t b)
{
    int32_t r = stored(eval_compute(op, a, b));
    if (quilldebug)
        trace_rule(rule_of(op), a, b, r);
    record(rule_of(op), 0);
    return r;
}

void eval_empty(void)
{
    if (quilldebug)
        trace_rule(4);
    record(4, 0);
}

void eval_statement(int32_t value)
{
    if (quilldebug)
        trace_rule(5, value);
    record(5, 0);   // before the rewind moves the read position
    jump_statement_end();
}

int32_t eval_negate(int32_t a)
{
    int32_t r = stored(wrap(-int64_t(a)));
    if (quilldebug)
        trace_rule(15, a, r);
    record(15, 0);
    return r;
}

int32_t eval_not(int32_t a)
{
    int32_t r = stored(!a);
    if (quilldebug)
        trace_rule(35, a, r);
    record(35, 0);
    return r;
}

int32_t eval_paren(int32_t a)
{
    stored(a);
    if (quilldebug)
        trace_rule(16, a, a);
    record(16, 0);
    return a;
}

int32_t eval_assign(int32_t slot, int32_t value)
{
    pool_write(slot, value);
    stored(value);
    if (quilldebug)
        trace_rule(17, slot, value, value);
    record(17, 0);
    return value;
}

// b ~ 0 stores 0: no text to copy, and the pool is left alone.
int32_t eval_strcopy(int32_t slot, int32_t value)
{
    const char *src = pool_text(value);
    int32_t copy = src ? assign_str(reinterpret_cast<intptr_t>(src)) : 0;
    pool_write(slot, copy);
    stored(copy);
    if (quilldebug)
        trace_rule(18, slot, trace_text(pool_text(value)), trace_text(pool_text(copy)));
    record(18, 0);
    return copy;
}

int32_t eval_put(int32_t value)
{
    std::printf("%d", value);
    flush_output();
    stored(value);
    if (quilldebug)
        trace_rule(25, value, value);
    record(25, 0);
    return value;
}

int32_t eval_puts(int32_t value)
{
    const char *text = pool_text(value);
    if (text) {
        std::fputs(text, stdout);
        flush_output();
    }
    stored(value);
    if (quilldebug)
        trace_rule(26, trace_text(text), trace_text(text));
    record(26, 0);
    return value;
}

int32_t eval_func(int32_t no)
{
    int32_t r = stored(outcall(no, var));
    eval_check_output();
    if (quilldebug)
        trace_rule(27, no, r);
    record(27, 0);
    return r;
}

int32_t eval_new(int32_t count)
{
    int32_t r = stored(assign_array(nullptr, count));
    if (quilldebug)
        trace_rule(28, count, r);
    record(28, 0);
    return r;
}

int32_t eval_number(int32_t value)
{
    stored(value);
    if (quilldebug)
        trace_rule(36, value, value);
    record(36, value);
    return value;
}

// Copy now: the next token overwrites the literal's text.
int32_t eval_string(int32_t text)
{
    const char *lit = reinterpret_cast<const char *>(static_cast<uintptr_t>(static_cast<uint32_t>(text)));
    int32_t r = eval_literal(lit);
    if (quilldebug)
        trace_rule(37, lit, pool_text(r));
    record(37, 0);
    return r;
}

int32_t eval_literal(const char *text)
{
    return stored(assign_str(reinterpret_cast<intptr_t>(text)));
}

int32_t eval_variable(int32_t value)
{
    stored(value);
    if (quilldebug)
        trace_rule(38, value, value);
    record(38, 0);
    return value;
}

int32_t eval_var_value(int index)
{
    int32_t r = stored(var[index]);
    if (quilldebug)
        trace_rule(39, index, r);
    record(39, index);
    return r;
}

int32_t eval_element(int index, int32_t at)
{
    int32_t r = stored(pool_read(pool_element(var[index], at)));
    if (quilldebug)
        trace_rule(40, index, at, r);
    record(40, index);
    return r;
}

int32_t eval_var_addr(int index)
{
    int32_t r = stored(var_slot(index));
    if (quilldebug)
        trace_rule(41, index, r);
    record(41, index);
    return r;
}

// Checked here, before the right-hand side runs: the write itself cannot fail.
int32_t eval_element_addr(int index, int32_t at)
{
    int32_t r = stored(pool_element_slot(pool_element(var[index], at)));
    if (quilldebug)
        trace_rule(42, index, at, r);
    record(42, index);
    return r;
}
