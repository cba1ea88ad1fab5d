/*
 * jump.cpp - labels and jumps. A jump only sets a search counter; the
 * scanner's filter then drops tokens until the wanted definition passes.
 */
#include "quill.h"

#include <cstring>

int8_t label[NLABELS];   // pending search count per label A..Z
int32_t top;             // an above waits for the end of its statement

// Asked for every token: look at all 26 counters in four loads.
int skip(void)
{
    static_assert(NLABELS == 26, "8 + 8 + 8 + 2 bytes");
    uint64_t a, b, c;
    uint16_t d;
    std::memcpy(&a, label, 8);
    std::memcpy(&b, label + 8, 8);
    std::memcpy(&c, label + 16, 8);
    std::memcpy(&d, label + 24, 2);
    return (a | b | c | d) != 0;
}

// Only the low 8 bits of a count are kept, read back as signed.
static int32_t set_count(int lab, int32_t count)
{
    label[lab] = static_cast<int8_t>(static_cast<uint8_t>(count & 0xff));
    return label[lab];
}

int32_t jump_if(int32_t cond, int lab)
{
    if (cond)
        label[lab] = 1;
    if (quilldebug)
        trace_rule(19, cond, lab);
    return cond;
}

int32_t jump_if_count(int32_t cond, int32_t count, int lab)
{
    if (cond)
        set_count(lab, count);
    if (quilldebug)
        trace_rule(20, cond, count, lab);
    return cond;
}

int32_t jump_below(int lab)
{
    label[lab] = 1;
    if (quilldebug)
        trace_rule(21, lab);
    return lab;
}

int32_t jump_below_count(int32_t count, int lab)
{
    int32_t r = set_count(lab, count);
    if (quilldebug)
        trace_rule(22, count, lab);
    return r;
}

int32_t jump_above(int lab)
{
    label[lab] = 1;
    top = 1;
    if (quilldebug)
        trace_rule(23, lab);
    return lab;
}

int32_t jump_above_count(int32_t count, int lab)
{
    int32_t r = set_count(lab, count);
    top = 1;
    if (quilldebug)
        trace_rule(24, count, lab);
    return r;
}

void jump_define(int lab)
{
    label[lab] = label[lab] > 0 ? static_cast<int8_t>(label[lab] - 1) : 0;
    if (quilldebug)
        trace_rule(6, lab);
}

void jump_reference(int lab)
{
    if (quilldebug)
        trace_rule(7, 0, lab);   // list carries no value: shown as 0
}

// Runs inside the statement's own reduction, before the token after ';' is read.
void jump_statement_end(void)
{
    if (!top)
        return;
    input_rewind();
    yyrestart(yyin);
    top = 0;
    line_no = 1;
    if (quilldebug)
        trace_top();
}
