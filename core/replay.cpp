/*
 * replay.cpp - recorded items run without the parser: the same helpers, or
 * the same effects in one step, in the parser's order, each message with the
 * line the parser would have had. An item ends as the parser's run of it
 * does: the read position past its end, and the rewind of a pending above.
 */
#include "quill.h"

#include "compiled.h"

namespace {

int32_t stack[REPLAY_DEPTH];

int32_t add(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t sub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t compute(const Op *op, int32_t a, int32_t b)
{
    return eval_compute(op->op + 256, a, b);
}

// The statement's end: the label of the search its jump left, or -1.
inline __attribute__((always_inline)) int end(const Record &rec, int jump)
{
    tokens_seek(rec.end, rec.end_line);
    if (top)
        jump_statement_end();
    return jump >= 0 && label[jump] ? jump : -1;
}

int search_if(const Op *op, bool cond)
{
    if (cond)
        label[op->lab] = 1;
    return op->lab;
}

int generic(const Record &rec, const Op *op)
{
    int32_t *sp = stack;   // sp[-1] is the top
    int jump = -1;
    for (;; op++) {
        line_no = op->line;
        switch (op->code) {
        case G_NUMBER: *sp++ = ev = op->k; break;
        case G_STRING: *sp++ = eval_literal(tokens_text(op->k)); break;
        case G_VAR: *sp++ = ev = var[op->x]; break;
        case G_ELEM: sp[-1] = ev = pool_read(pool_element(var[op->x], sp[-1])); break;
        case G_VARADDR: *sp++ = ev = var_slot(op->v); break;
        case G_ELEMADDR: sp[-1] = ev = pool_element_slot(pool_element(var[op->v], sp[-1])); break;
        case G_BINARY:
            sp--;
            sp[-1] = ev = compute(op, sp[-1], sp[0]);
            break;
        case G_VAR_OP_NUMBER: *sp++ = ev = compute(op, var[op->x], op->k); break;
        case G_VAR_OP_VAR: *sp++ = ev = compute(op, var[op->x], var[op->y]); break;
        case G_OP_NUMBER: sp[-1] = ev = compute(op, sp[-1], op->k); break;
        case G_OP_VAR: sp[-1] = ev = compute(op, sp[-1], var[op->y]); break;
        case G_NEGATE: sp[-1] = eval_negate(sp[-1]); break;
        case G_NOT: sp[-1] = eval_not(sp[-1]); break;
        case G_PAREN: sp[-1] = eval_paren(sp[-1]); break;
        case G_SET_VAR: var[op->v] = ev = sp[-1]; break;
        case G_ASSIGN: sp--; sp[-1] = eval_assign(sp[-1], sp[0]); break;
        case G_STRCOPY: sp--; sp[-1] = eval_strcopy(sp[-1], sp[0]); break;
        case G_PUT: sp[-1] = eval_put(sp[-1]); break;
        case G_PUTS: sp[-1] = eval_puts(sp[-1]); break;
        case G_FUNC: sp[-1] = eval_func(sp[-1]); break;
        case G_NEW: sp[-1] = eval_new(sp[-1]); break;
        case G_IF:
            jump = op->lab;
            if (sp[-1])
                label[jump] = 1;
            break;
        case G_IF_COUNT:
            jump = op->lab;
            sp--;
            if (sp[-1])
                jump_set_count(jump, sp[0]);
            break;
        case G_BELOW:
        case G_ABOVE:
            jump = op->lab;
            label[jump] = 1;
            top |= op->code == G_ABOVE;
            *sp++ = jump;
            break;
        case G_BELOW_COUNT:
        case G_ABOVE_COUNT:
            jump = op->lab;
            sp[-1] = jump_set_count(jump, sp[-1]);
            top |= op->code == G_ABOVE_COUNT;
            break;
        default:   // G_END
            return end(rec, jump);
        }
    }
}

// Runs one record: the label of the search it leaves pending, or -1.
inline __attribute__((always_inline)) int run(const Record &rec)
{
    const Op *op = &compiled_code.data[rec.first];
    const int32_t *v = var;
    line_no = op->line;   // for what the op may report
    switch (op->code) {
    case S_SET_ADD: var[op->v] = ev = add(v[op->x], op->k); return end(rec, -1);
    case S_SET_SUB: var[op->v] = ev = sub(v[op->x], op->k); return end(rec, -1);
    case S_SET_OP: var[op->v] = ev = compute(op, v[op->x], op->k); return end(rec, -1);
    case S_SET_VV: var[op->v] = ev = compute(op, v[op->x], v[op->y]); return end(rec, -1);
    case S_SET_K: var[op->v] = ev = op->k; return end(rec, -1);
    case S_IF_LT: return end(rec, search_if(op, (ev = v[op->x] < op->k)));
    case S_IF_LE: return end(rec, search_if(op, (ev = v[op->x] <= op->k)));
    case S_IF_GT: return end(rec, search_if(op, (ev = v[op->x] > op->k)));
    case S_IF_GE: return end(rec, search_if(op, (ev = v[op->x] >= op->k)));
    case S_IF_EQ: return end(rec, search_if(op, (ev = v[op->x] == op->k)));
    case S_IF_NE: return end(rec, search_if(op, (ev = v[op->x] != op->k)));
    case S_IF_OP: return end(rec, search_if(op, (ev = compute(op, v[op->x], op->k))));
    case S_IF_VV: return end(rec, search_if(op, (ev = compute(op, v[op->x], v[op->y]))));
    case S_ABOVE:
        top = 1;
        [[fallthrough]];
    case S_BELOW:
        label[op->lab] = 1;
        return end(rec, op->lab);
    case S_PUT: eval_put(v[op->x]); return end(rec, -1);
    case S_PUTS: eval_puts(v[op->x]); return end(rec, -1);
    case S_NOTHING: tokens_seek(rec.end, rec.end_line); return -1;
    default: return generic(rec, op + 1);   // S_GENERIC
    }
}

// The record at the item start the read position has reached, or null.
Record *record_here(void)
{
    int32_t *state = tokens_item_word(tokens_pos());
    if (!state || *state < ITEM_FIRST_RECORD)
        return nullptr;
    return &compiled_records.data[*state - ITEM_FIRST_RECORD];
}

// After rec's jump started a search for lab: on to its target, if the
// search can be carried there at once; the record there, or null.
Record *land(Record *rec, int lab)
{
    if (rec->land_next >= 0 && rec->land_count == label[lab]) {
        label[lab] = 0;
        tokens_seek(rec->land_pos, rec->land_line);
        return &compiled_records.data[rec->land_next];
    }
    int8_t count = label[lab];
    if (jump_search_land(lab) < 0)
        return nullptr;   // a search the parser carries on
    Record *there = record_here();
    if (there) {
        rec->land_count = count;
        rec->land_pos = tokens_pos();
        rec->land_line = line_no;
        rec->land_next = static_cast<int32_t>(there - compiled_records.data);
    }
    return there;
}

}  // namespace

/* From one recorded item on, every recorded item that follows, and the
   searches between them, until one needs the parser. A record's state,
   and so each link cached here, never changes once it is recorded. */
void compiled_run(int32_t first)
{
    Record *rec = &compiled_records.data[first];
    while (rec) {
        int searched = run(*rec);
        if (searched >= 0) {
            rec = land(rec, searched);
        } else if (tokens_pos() == rec->end && rec->next >= 0) {
            rec = &compiled_records.data[rec->next];
        } else {
            bool straight_on = tokens_pos() == rec->end;
            Record *next = record_here();
            if (next && straight_on)
                rec->next = static_cast<int32_t>(next - compiled_records.data);
            rec = next;
        }
    }
}
