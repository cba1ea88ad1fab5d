/*
 * eval.cpp - what each expression and statement rule does. Every helper
 * stores ev where its rule does and writes the rule's trace line.
 */
#include "quill.h"

int32_t ev;   // last access value: the exit status

static int32_t set_ev(int32_t value)
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

int32_t eval_binary(int op, int32_t a, int32_t b)
{
    int32_t r = set_ev(eval_compute(op, a, b));
    reduced(rule_of_operator(op), 0, a, b, r);
    return r;
}

void eval_empty(void)
{
    reduced(R_EMPTY, 0);
}

void eval_statement(int32_t value)
{
    reduced(R_STATEMENT, 0, value);   // before the rewind moves the read position
    jump_statement_end();
}

int32_t eval_negate(int32_t a)
{
    int32_t r = set_ev(wrap(-int64_t(a)));
    reduced(R_NEGATE, 0, a, r);
    return r;
}

int32_t eval_not(int32_t a)
{
    int32_t r = set_ev(!a);
    reduced(R_NOT, 0, a, r);
    return r;
}

int32_t eval_paren(int32_t a)
{
    set_ev(a);
    reduced(R_PAREN, 0, a, a);
    return a;
}

int32_t eval_assign(int32_t slot, int32_t value)
{
    run_hooks ? pool_write_watched(slot, value) : pool_write(slot, value);
    set_ev(value);
    reduced(R_ASSIGN, 0, slot, value, value);
    return value;
}

// b ~ 0 stores 0: no text to copy, and the pool is left alone.
int32_t eval_strcopy(int32_t slot, int32_t value)
{
    const char *src = pool_text(value);
    int32_t copy = src ? assign_str(reinterpret_cast<intptr_t>(src)) : 0;
    run_hooks ? pool_write_watched(slot, copy) : pool_write(slot, copy);
    set_ev(copy);
    // both texts were checked above: the trace needs no second look
    reduced(R_STRCOPY, 0, slot, trace_text(src), trace_text(copy ? pool_address(copy) : nullptr));
    return copy;
}

int32_t eval_put(int32_t value)
{
    output_number(value);
    set_ev(value);
    reduced(R_PUT, 0, value, value);
    return value;
}

int32_t eval_puts(int32_t value)
{
    std::size_t len;
    const char *text = pool_text(value, &len);
    if (text)
        output_text(text, len);
    set_ev(value);
    reduced(R_PUTS, 0, trace_text(text), trace_text(text));
    return value;
}

int32_t eval_func(int32_t no)
{
    if (run_hooks)
        run_hooks->service(no);
    output_call_begin(no);   // the library may print, read, start programs, pause
    int32_t r = set_ev(outcall(no, var));
    output_call_end();
    reduced(R_FUNC, 0, no, r);
    return r;
}

int32_t eval_new(int32_t count)
{
    int32_t r = set_ev(assign_array(nullptr, count));
    reduced(R_NEW, 0, count, r);
    return r;
}

int32_t eval_number(int32_t value)
{
    set_ev(value);
    reduced(R_NUMBER, value, value, value);
    return value;
}

// Copy now: the next token overwrites the literal's text.
int32_t eval_string(int32_t text)
{
    const char *lit = pool_address(text);
    int32_t r = eval_literal(lit);
    reduced(R_STRING, 0, lit, pool_address(r));
    return r;
}

int32_t eval_literal(const char *text)
{
    return set_ev(assign_str(reinterpret_cast<intptr_t>(text)));
}

int32_t eval_variable(int32_t value)
{
    set_ev(value);
    reduced(R_VARIABLE, 0, value, value);
    return value;
}

int32_t eval_var_value(int index)
{
    int32_t r = set_ev(var[index]);
    reduced(R_VAR_VALUE, index, index, r);
    return r;
}

int32_t eval_element(int index, int32_t at)
{
    int32_t r = set_ev(pool_read(pool_element(var[index], at)));
    reduced(R_ELEMENT, index, index, at, r);
    return r;
}

int32_t eval_var_addr(int index)
{
    int32_t r = set_ev(pool_var_slot(index));
    reduced(R_VAR_ADDR, index, index, r);
    return r;
}

// Checked here, before the right-hand side runs: the write itself cannot fail.
int32_t eval_element_addr(int index, int32_t at)
{
    int32_t r = set_ev(pool_element_slot(pool_element(var[index], at)));
    reduced(R_ELEMENT_ADDR, index, index, at, r);
    return r;
}
