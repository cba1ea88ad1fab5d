/*
 * record.cpp - items recorded once, for replay without the parser. The
 * second time an item runs from its start (no search pending, no trace),
 * every reduction the parser makes of it is noted: rule, token value, line.
 * Its tokens and the grammar fix those reductions, so the notes compile to
 * code (compiled.h) that replay.cpp runs from the third time on. Items with
 * nothing to do are known from their tokens alone, a whole run at once.
 */
#include "quill.h"

#include "compiled.h"
#include "record.h"

#include <cstdlib>
#include <vector>

bool record_active;   // the parser is running an item that is being recorded
bool record_list;     // QUILL_LIST: each record's ops on stderr as it is made

namespace {

constexpr std::size_t MAX_STEPS = 512;   // longer items stay with the parser
// Records and ops take at most this much per byte of script read: with the
// tokens' 8, a script never costs more than 16 bytes a byte. Items past it
// stay with the parser.
constexpr uint64_t BYTES_PER_SCRIPT_BYTE = 7;   // the tokens' 8 may come with some slack

// Kept from item to item: recording allocates only while they grow.
std::vector<Step> steps;
std::vector<Op> ops;
uint32_t item_pos;         // where the item being recorded starts
uint32_t jump_label_pos;   // the label token of its jump
int jumps;
Op check_op;               // under a debugger, the item's first op: its look at the start
bool check_wanted;         // not for an empty statement, where nothing runs

/* What may be recorded. The parser's run of an item is replayed only where
   its reductions cannot depend on values, and values change the parse only
   through a search, which drops the tokens after the jump that starts it:
   - an item with a syntax error is never recorded (the parse ends there);
   - a statement with a jump whose label is not the last token before its
     ';' is left out: when the jump fires, the tokens between are dropped
     and the rest parses otherwise (`if c A + 1;`, `below A B;`);
   - a statement with two jumps is left out: the first one firing filters
     the second (`if below A B;`);
   - a statement of more than MAX_STEPS reductions, or that needs more
     than REPLAY_TEMPS temporaries, stays with the parser;
   - an item run while a search is pending, or with the trace on, is
     neither recorded nor replayed: the filter and the trace show each item.
   Items without a statement (`;`, `X;`, and `X:` with no search pending)
   do nothing but move the read position. */
bool recordable(void)
{
    if (steps.size() > MAX_STEPS || jumps > 1)
        return false;
    return jumps == 0 || jump_label_pos + 2 == tokens_pos();   // label, ';', then here
}

}  // namespace

// Whether n more ops fit the budget.
bool record_affordable(std::size_t n)
{
    uint64_t bytes = uint64_t(compiled_code.size + n) * sizeof(Op) +
                     uint64_t(compiled_records.size + 1) * sizeof(Record);
    return bytes <= BYTES_PER_SCRIPT_BYTE * tokens_bytes() && compiled_records.size < INT32_MAX / 2;
}

namespace {

// A new record of the given ops (none: a run of items with nothing to do),
// its EXIT and JEXIT after them: its number, or -1 where the budget or
// memory refuses it.
int32_t add_record(std::vector<Op> &code, uint32_t end, int32_t end_line)
{
    if (code.empty()) {   // a debugger's CHECK alone is the item's op
        code.push_back(check_wanted ? check_op : Op{.code = NOTHING, .line = end_line, .next = 1});
    }
    uint32_t base = compiled_code.size, n = static_cast<uint32_t>(code.size());
    uint32_t rec = compiled_records.size;
    Op last = code.back();
    code.push_back(Op{.code = EXIT, .line = end_line, .out = {.rec = rec}});
    // the search, the first time: from the jump's op, or a branch's alt
    if (last.code == BELOW || last.code == ABOVE || compiled_is_branch(last.code))
        code.push_back(Op{.code = JEXIT, .line = last.line, .out = {.rec = rec}});
    if (!record_affordable(code.size()) || uint64_t(base + code.size()) * sizeof(Op) > UINT32_MAX)
        return -1;
    constexpr uint32_t SIZE = sizeof(Op);   // ops are named by their byte offsets
    for (uint32_t i = 0; i < n; i++) {
        Op &op = code[i];
        op.next = (op.next + base) * SIZE;
        if (compiled_is_branch(op.code))
            op.out.alt = (op.out.alt + base) * SIZE;
        else if (compiled_plain(op.code) == DIV_RK || compiled_plain(op.code) == MOD_RK)
            compiled_divisor(op);
        else if (op.code == JCOUNT || op.code == JCOUNT_E)
            op.out.rec = rec;
    }
    Record r{base * SIZE, end, end_line, (base + n - 1) * SIZE};
    if (!compiled_append(compiled_code, code.data(), static_cast<uint32_t>(code.size())) ||
        !compiled_append(compiled_records, &r, 1))
        return -1;
    if (record_list) {
        output_flush();   // the listing shows where the script's output stands
        compiled_list(stderr, rec);
    }
    return static_cast<int32_t>(rec);
}

// What an item's ops may change, for a debugger's history to compare: the
// variables their d names, the label counters where a search may start;
// an op that may write elsewhere (an element, a slot, a service) may change
// any of them.
uint32_t item_writes(const std::vector<Op> &code)
{
    uint32_t writes = 0;
    for (const Op &op : code) {
        uint8_t c = compiled_plain(op.code);
        if (c == STORE || c == STORE_W || c == SETEL || c == SETEL_K || c == STRCOPY_K || c == STRCOPY_R ||
            c == CALL || c == NEW)
            return WRITES_ALL;
        if (op.code < 2 * E_VARIANT || c == SLOT) {
            if (op.d >= REG_VAR)
                writes |= uint32_t(1) << (op.d - REG_VAR);
        } else if (compiled_is_branch(c) || c == BELOW || c == ABOVE || c == JCOUNT || c == JCOUNT_E) {
            writes |= WRITES_LABELS;
        } else if (c != PUT && c != PUTS && c != EV && c != EV_K && c != NOTHING && c != CHECK) {
            return WRITES_ALL;
        }
    }
    return writes;
}

// Compiles the recorded item; its record number, or -1.
int32_t compile(void)
{
    const Step &end = steps.back();
    if (end.rule != R_STATEMENT) {   // an item with nothing to do, met unscanned
        ops.clear();
        return steps.size() == 1 ? add_record(ops, tokens_pos(), end.line) : -1;
    }
    if (!compile_statement(steps, steps.size() - 1, &ops))
        return -1;
    if (check_wanted) {
        ops.insert(ops.begin(), check_op);
        ops[0].out.writes = item_writes(ops);
    }
    // each op leads to the next; the last to the EXIT, a jump to the JEXIT
    uint32_t n = static_cast<uint32_t>(ops.size());
    for (uint32_t i = 0; i < n; i++) {
        ops[i].next = i + 1;
        if (compiled_is_branch(ops[i].code))
            ops[i].out.alt = n + 1;
    }
    Op &last = ops.back();
    if (last.code == BELOW || last.code == ABOVE)
        last.next = n + 1;
    return add_record(ops, tokens_pos(), end.line);
}

/* The run of items with nothing to do (';', "X;", "X:") that starts at the
   read position, as far as it is scanned: where it ends, or false if the
   item there is another. No search is pending, so "X:" changes nothing.
   Under a debugger the run is one item: each label is a stop of its own. */
bool nothing_to_do(uint32_t *end, int32_t *end_line)
{
    TokenWalk w{tokens_pos(), static_cast<uint32_t>(line_no)};
    bool found = false, after_label = false;
    while (const Token *t = tokens_walk(w)) {
        if (t->kind == token_kind(LABEL) && !after_label) {
            after_label = true;
        } else if (t->kind == token_kind(NL) || (t->kind == token_kind(COL) && after_label)) {
            after_label = false;
            found = true;
            *end = w.pos;
            *end_line = static_cast<int32_t>(w.line);
            if (run_hooks)
                return true;
        } else {
            return found;
        }
    }
    return found;
}

// Under a debugger, the CHECK that leads the item's record: where its first
// token is, unless it is an empty statement.
void prepare_check(void)
{
    TokenWalk w{tokens_pos(), static_cast<uint32_t>(line_no)};
    const Token *t = run_hooks ? tokens_walk(w) : nullptr;   // scanned: the item is known
    check_wanted = t && t->kind != token_kind(NL);
    int32_t line = static_cast<int32_t>(w.line);
    if (check_wanted)
        check_op = Op{.code = CHECK, .d = run_watch_line(line), .k = static_cast<int32_t>(w.pos - 1),
                      .line = line, .next = 1};
}

}  // namespace

bool record_begin(void)
{
    uint32_t end;
    int32_t end_line;
    int32_t *state = tokens_item_word(tokens_pos());
    prepare_check();
    if (nothing_to_do(&end, &end_line)) {
        ops.clear();
        int32_t rec = add_record(ops, end, end_line);
        *state = rec >= 0 ? ITEM_FIRST_RECORD + rec : ITEM_EXCLUDED;
        return rec >= 0;
    }
    if (!record_affordable(1)) {
        *state = ITEM_EXCLUDED;   // past the budget: not worth recording
        return false;
    }
    steps.clear();
    item_pos = tokens_pos();
    jumps = 0;
    record_active = true;
    return false;
}

void record_note(Rule rule, int32_t imm)
{
    if (steps.size() <= MAX_STEPS) {   // past that only the item's end is awaited
        if (rule == R_STRING)
            imm = tokens_last_value();   // the literal's text in the stream, not its scratch copy
        steps.push_back(Step{rule, imm, line_no});
    }
    if (rule_is_jump(rule)) {
        jumps++;
        jump_label_pos = tokens_pos() - 1;   // a jump reduces as its label arrives
    }
    if (rule_ends_item(rule)) {
        record_active = false;
        int32_t rec = recordable() ? compile() : -1;
        if (int32_t *state = tokens_item_word(item_pos))
            *state = rec >= 0 ? ITEM_FIRST_RECORD + rec : ITEM_EXCLUDED;
    }
}

// Each CHECK's d: whether its line has a breakpoint, as the replay asks.
void record_watch_lines(void)
{
    for (uint32_t i = 0; i < compiled_code.size; i++) {
        Op &op = compiled_code.data[i];
        if (op.code == CHECK)
            op.d = run_watch_line(op.line);
    }
}

void record_reset(void)
{
    record_active = false;
    compiled_reset();
}
