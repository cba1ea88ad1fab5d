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

// The statement's end: the label of the search its jump left, or -1.
inline __attribute__((always_inline)) int end(const Record &rec, int jump)
{
    tokens_seek(rec.end, rec.end_line);
    if (top)
        jump_statement_end();
    return jump >= 0 && label[jump] ? jump : -1;
}

int jump_if(const Op *op, bool cond)
{
    if (cond)
        label[op->b] = 1;
    return op->b;
}

int generic(const Record &rec, const Op *op)
{
    int32_t *sp = stack;   // sp[-1] is the top
    int jump = -1;
    for (;; op++) {
        switch (op->code) {
        case G_NUMBER: *sp++ = ev = op->k; break;
        case G_STRING:
            line_no = op->line;
            *sp++ = eval_literal(tokens_text(op->k));
            break;
        case G_VAR: *sp++ = ev = var[op->a]; break;
        case G_ELEM:
            line_no = op->line;
            sp[-1] = ev = pool_read(pool_element(var[op->a], sp[-1]));
            break;
        case G_VARADDR: *sp++ = ev = var_slot(op->a); break;
        case G_ELEMADDR:
            line_no = op->line;
            sp[-1] = ev = pool_element_slot(pool_element(var[op->a], sp[-1]));
            break;
        case G_BINARY:
            line_no = op->line;
            sp--;
            sp[-1] = ev = eval_compute(op->op + 256, sp[-1], sp[0]);
            break;
        case G_VAR_OP_NUMBER:
            line_no = op->line;
            *sp++ = ev = eval_compute(op->op + 256, var[op->a], op->k);
            break;
        case G_VAR_OP_VAR:
            line_no = op->line;
            *sp++ = ev = eval_compute(op->op + 256, var[op->a], var[op->b]);
            break;
        case G_OP_NUMBER:
            line_no = op->line;
            sp[-1] = ev = eval_compute(op->op + 256, sp[-1], op->k);
            break;
        case G_OP_VAR:
            line_no = op->line;
            sp[-1] = ev = eval_compute(op->op + 256, sp[-1], var[op->a]);
            break;
        case G_NEGATE: sp[-1] = eval_negate(sp[-1]); break;
        case G_NOT: sp[-1] = eval_not(sp[-1]); break;
        case G_PAREN: sp[-1] = eval_paren(sp[-1]); break;
        case G_SET_VAR: var[op->a] = ev = sp[-1]; break;
        case G_ASSIGN: sp--; sp[-1] = eval_assign(sp[-1], sp[0]); break;
        case G_STRCOPY:
            line_no = op->line;
            sp--;
            sp[-1] = eval_strcopy(sp[-1], sp[0]);
            break;
        case G_PUT: sp[-1] = eval_put(sp[-1]); break;
        case G_PUTS: line_no = op->line; sp[-1] = eval_puts(sp[-1]); break;
        case G_FUNC: line_no = op->line; sp[-1] = eval_func(sp[-1]); break;
        case G_NEW: line_no = op->line; sp[-1] = eval_new(sp[-1]); break;
        case G_IF:
            jump = op->k;
            if (sp[-1])
                label[jump] = 1;
            break;
        case G_IF_COUNT:
            jump = op->k;
            sp--;
            if (sp[-1])
                jump_set_count(jump, sp[0]);
            break;
        case G_BELOW:
        case G_ABOVE:
            jump = op->k;
            label[jump] = 1;
            top |= op->code == G_ABOVE;
            *sp++ = jump;
            break;
        case G_BELOW_COUNT:
        case G_ABOVE_COUNT:
            jump = op->k;
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
    const Op *op = &compiled_code[rec.first];
    const int32_t *v = var;
    switch (op->code) {
    case S_SET_ADD: var[op->a] = ev = add(v[op->b], op->k); return end(rec, -1);
    case S_SET_SUB: var[op->a] = ev = sub(v[op->b], op->k); return end(rec, -1);
    case S_SET_OP:
        line_no = op->line;   // / and % report by it
        var[op->a] = ev = eval_compute(op->op + 256, v[op->b], op->k);
        return end(rec, -1);
    case S_SET_VV:
        line_no = op->line;
        var[op->a] = ev = eval_compute(op->op + 256, v[op->b], v[op->k]);
        return end(rec, -1);
    case S_SET_K: var[op->a] = ev = op->k; return end(rec, -1);
    case S_IF_LT: return end(rec, jump_if(op, (ev = v[op->a] < op->k)));
    case S_IF_LE: return end(rec, jump_if(op, (ev = v[op->a] <= op->k)));
    case S_IF_GT: return end(rec, jump_if(op, (ev = v[op->a] > op->k)));
    case S_IF_GE: return end(rec, jump_if(op, (ev = v[op->a] >= op->k)));
    case S_IF_EQ: return end(rec, jump_if(op, (ev = v[op->a] == op->k)));
    case S_IF_NE: return end(rec, jump_if(op, (ev = v[op->a] != op->k)));
    case S_IF_OP:
        line_no = op->line;
        return end(rec, jump_if(op, (ev = eval_compute(op->op + 256, v[op->a], op->k))));
    case S_IF_VV:
        line_no = op->line;
        return end(rec, jump_if(op, (ev = eval_compute(op->op + 256, v[op->a], v[op->k]))));
    case S_ABOVE:
        top = 1;
        [[fallthrough]];
    case S_BELOW:
        label[op->b] = 1;
        return end(rec, op->b);
    case S_PUT: eval_put(v[op->a]); return end(rec, -1);
    case S_PUTS: line_no = op->line; eval_puts(v[op->a]); return end(rec, -1);
    case S_ITEM: tokens_seek(rec.end, rec.end_line); return -1;
    default: return generic(rec, op + 1);   // S_GENERIC
    }
}

// The record at the item start the read position has reached, or null.
Record *record_here(void)
{
    int32_t state = tokens_item_state(tokens_pos());
    return state >= ITEM_FIRST_RECORD ? &compiled_records[state - ITEM_FIRST_RECORD] : nullptr;
}

// After rec's jump started a search for lab: on to its target, if the index
// can take it there; the record there, or null.
Record *land(Record *rec, int lab)
{
    uint32_t from = tokens_pos();
    if (rec->land_next >= 0 && rec->jump_from == from && rec->jump_count == label[lab]) {
        label[lab] = 0;
        tokens_seek(rec->land_pos, rec->land_line);
        return &compiled_records[rec->land_next];
    }
    int32_t count = label[lab];
    if (jump_index_land(from, lab) < 0)
        return nullptr;   // a search the parser carries on
    Record *there = record_here();
    if (there) {
        rec->jump_from = from;
        rec->jump_count = count;
        rec->land_pos = tokens_pos();
        rec->land_line = line_no;
        rec->land_next = static_cast<int32_t>(there - compiled_records.data());
    }
    return there;
}

}  // namespace

/* From one recorded item on, every recorded item that follows, and the
   searches between them, until one needs the parser. A record's state,
   and so each link cached here, never changes once it is recorded. */
void compiled_run(int32_t record)
{
    Record *rec = &compiled_records[static_cast<std::size_t>(record)];
    while (rec) {
        int searched = run(*rec);
        if (searched >= 0) {
            rec = land(rec, searched);
        } else if (tokens_pos() == rec->end && rec->next >= 0) {
            rec = &compiled_records[rec->next];
        } else {
            bool straight_on = tokens_pos() == rec->end;
            Record *next = record_here();
            if (next && straight_on)
                rec->next = static_cast<int32_t>(next - compiled_records.data());
            rec = next;
        }
    }
}
