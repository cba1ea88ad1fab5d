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

#include <cassert>
#include <cstdlib>
#include <vector>

bool compiled_recording;   // the parser is running an item that is being recorded
Grown<Op> compiled_code;
Grown<Record> compiled_records;

namespace {

struct Step {
    Rule rule;
    int32_t imm;    // the token value the rule read: number, variable, label, text
    int32_t line;   // line_no as the rule ran
};

/* The statement's reductions in order are its tree in post-order. */
struct Node {
    const Step *step;
    int kids[2];
    int nkids;
};

constexpr std::size_t MAX_STEPS = 512;   // longer items stay with the parser
// Records and ops take at most this much per byte of script read: with the
// tokens' 8, a script never costs more than 16 bytes a byte. Items past it
// stay with the parser.
constexpr uint64_t BYTES_PER_SCRIPT_BYTE = 7;   // the tokens' 8 may come with some slack
constexpr uint32_t NOTHING_OP = 0;       // the one S_NOTHING op, shared by every run

// Kept from item to item: recording allocates only while they grow.
std::vector<Step> steps;
std::vector<Node> nodes;
std::vector<Op> ops;
std::vector<int> open_nodes;
uint32_t item_pos;         // where the item being recorded starts
uint32_t jump_label_pos;   // the label token of its jump
int jumps;

/* What may be recorded. The parser's run of an item is replayed only where
   its reductions cannot depend on values, and values change the parse only
   through a search, which drops the tokens after the jump that starts it:
   - an item with a syntax error is never recorded (the parse ends there);
   - a statement with a jump whose label is not the last token before its
     ';' is left out: when the jump fires, the tokens between are dropped
     and the rest parses otherwise (`if c A + 1;`, `below A B;`);
   - a statement with two jumps is left out: the first one firing filters
     the second (`if below A B;`);
   - a statement of more than MAX_STEPS reductions, or whose values nest
     deeper than REPLAY_DEPTH, stays with the parser;
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

template <typename T> bool append(Grown<T> &table, const T *items, uint32_t n)
{
    if (table.size + n > table.capacity) {
        uint32_t want = table.capacity ? table.capacity + table.capacity / 2 : 256;
        if (want < table.size + n)
            want = table.size + n;
        void *bigger = std::realloc(table.data, std::size_t(want) * sizeof(T));
        if (!bigger)
            return false;   // the item stays with the parser
        table.data = static_cast<T *>(bigger);
        table.capacity = want;
    }
    for (uint32_t i = 0; i < n; i++)
        table.data[table.size++] = items[i];
    return true;
}

// Whether a record of n ops fits the budget.
bool affordable(std::size_t n)
{
    uint64_t bytes = uint64_t(compiled_code.size + n) * sizeof(Op) +
                     uint64_t(compiled_records.size + 1) * sizeof(Record);
    return bytes <= BYTES_PER_SCRIPT_BYTE * tokens_bytes() && compiled_records.size < INT32_MAX / 2;
}

// A new record of the given ops (none: the shared S_NOTHING): its number,
// or -1 where the budget or memory refuses it.
int32_t add_record(const std::vector<Op> &code, uint32_t end, int32_t end_line)
{
    if (compiled_code.size == 0) {
        Op nothing{.code = S_NOTHING};
        if (!append(compiled_code, &nothing, 1))
            return -1;
    }
    if (!affordable(code.size()))
        return -1;
    Record rec{code.empty() ? NOTHING_OP : compiled_code.size, end, end_line, -1, 0, 0, 0, -1};
    if (!append(compiled_code, code.data(), static_cast<uint32_t>(code.size())) ||
        !append(compiled_records, &rec, 1))
        return -1;
    return static_cast<int32_t>(compiled_records.size - 1);
}

int arity(Rule rule)
{
    if (rule_is_binary(rule))
        return 2;
    switch (rule) {
    case R_ASSIGN: case R_STRCOPY: case R_IF_COUNT:
        return 2;
    case R_EMPTY: case R_DEFINE: case R_REFERENCE: case R_BELOW: case R_ABOVE:
    case R_NUMBER: case R_STRING: case R_VAR_VALUE: case R_VAR_ADDR:
        return 0;
    default:
        return 1;
    }
}

// The operator of a binary rule, as an op keeps it.
uint8_t op_of(Rule rule)
{
    static const int OPS[] = {OPADD, OPSUB, OPMUL, OPDIV, OPMOD, OPAND, OPOR};   // ORDER RULES
    static const int CMPS[] = {OPGT, OPLT, OPGE, OPLE, OPEQ, OPNE};
    int code = rule <= R_OR ? OPS[rule - R_ADD] : CMPS[rule - R_GT];
    return token_kind(code);
}

// How many values an op leaves on the stack, less those it takes.
int stack_effect(uint8_t code)
{
    switch (code) {
    case G_NUMBER: case G_STRING: case G_VAR: case G_VARADDR: case G_VAR_OP_NUMBER:
    case G_VAR_OP_VAR: case G_BELOW: case G_ABOVE:
        return 1;
    case G_BINARY: case G_ASSIGN: case G_STRCOPY: case G_IF_COUNT:
        return -1;
    default:
        return 0;
    }
}

struct Compiler {
    std::vector<Node> &nodes;
    std::vector<Op> &out;
    int depth = 0, max_depth = 0;
    bool failed = false;

    const Step &at(int n) const { return *nodes[n].step; }
    int kid(int n, int i) const { return nodes[n].kids[i]; }
    bool is_var(int n) const { return at(n).rule == R_VARIABLE && at(kid(n, 0)).rule == R_VAR_VALUE; }
    bool is_number(int n) const { return at(n).rule == R_NUMBER; }
    uint8_t var_of(int n) const { return static_cast<uint8_t>(at(kid(n, 0)).imm); }
    uint8_t imm8(int n) const { return static_cast<uint8_t>(at(n).imm); }

    // The op as the step of its (last) rule leaves it.
    void emit(Op op, const Step &s)
    {
        op.line = s.line;
        out.push_back(op);
        depth += stack_effect(op.code);
        if (depth > max_depth)
            max_depth = depth;
    }

    bool build(std::size_t count, int *root)
    {
        std::vector<int> &open = open_nodes;
        open.clear();
        for (std::size_t i = 0; i < count; i++) {
            Node node{&steps[i], {0, 0}, arity(steps[i].rule)};
            if (static_cast<int>(open.size()) < node.nkids)
                return false;
            for (int k = node.nkids - 1; k >= 0; k--) {
                node.kids[k] = open.back();
                open.pop_back();
            }
            nodes.push_back(node);
            open.push_back(static_cast<int>(nodes.size()) - 1);
        }
        if (open.size() != 1)
            return false;
        *root = open[0];
        return true;
    }

    void gen_kids(int n)
    {
        for (int i = 0; i < nodes[n].nkids; i++)
            gen(kid(n, i));
    }

    /* Code that leaves node n's value on the stack and ev as the parser
       leaves it. Where one op stands for several rules, every rule but the
       last stored into ev a value the last one overwrites, and none but the
       last can report anything. */
    void gen(int n)
    {
        const Step &s = at(n);
        Rule r = s.rule;
        switch (r) {
        case R_VARIABLE:
            if (is_var(n)) {
                emit({.code = G_VAR, .x = var_of(n)}, s);
            } else {   // an element: this rule stores the value R_ELEMENT did
                int elem = kid(n, 0);
                gen(kid(elem, 0));
                emit({.code = G_ELEM, .x = imm8(elem)}, at(elem));
            }
            return;
        case R_NUMBER: emit({.code = G_NUMBER, .k = s.imm}, s); return;
        case R_STRING: emit({.code = G_STRING, .k = s.imm}, s); return;
        case R_VAR_ADDR: emit({.code = G_VARADDR, .v = imm8(n)}, s); return;
        case R_ELEMENT_ADDR: gen_kids(n); emit({.code = G_ELEMADDR, .v = imm8(n)}, s); return;
        case R_ASSIGN:
            if (at(kid(n, 0)).rule == R_VAR_ADDR) {
                gen(kid(n, 1));   // the slot itself changes nothing the assignment keeps
                emit({.code = G_SET_VAR, .v = imm8(kid(n, 0))}, s);
                return;
            }
            gen_kids(n);
            emit({.code = G_ASSIGN}, s);
            return;
        case R_ADD: case R_SUB: case R_MUL: case R_DIV: case R_MOD: case R_AND: case R_OR:
        case R_GT: case R_LT: case R_GE: case R_LE: case R_EQ: case R_NE:
            gen_binary(n);
            return;
        case R_NEGATE: gen_kids(n); emit({.code = G_NEGATE}, s); return;
        case R_NOT: gen_kids(n); emit({.code = G_NOT}, s); return;
        case R_PAREN: gen_kids(n); emit({.code = G_PAREN}, s); return;
        case R_STRCOPY: gen_kids(n); emit({.code = G_STRCOPY}, s); return;
        case R_PUT: gen_kids(n); emit({.code = G_PUT}, s); return;
        case R_PUTS: gen_kids(n); emit({.code = G_PUTS}, s); return;
        case R_FUNC: gen_kids(n); emit({.code = G_FUNC}, s); return;
        case R_NEW: gen_kids(n); emit({.code = G_NEW}, s); return;
        case R_IF: gen_kids(n); emit({.code = G_IF, .lab = imm8(n)}, s); return;
        case R_IF_COUNT: gen_kids(n); emit({.code = G_IF_COUNT, .lab = imm8(n)}, s); return;
        case R_BELOW: emit({.code = G_BELOW, .lab = imm8(n)}, s); return;
        case R_BELOW_COUNT: gen_kids(n); emit({.code = G_BELOW_COUNT, .lab = imm8(n)}, s); return;
        case R_ABOVE: emit({.code = G_ABOVE, .lab = imm8(n)}, s); return;
        case R_ABOVE_COUNT: gen_kids(n); emit({.code = G_ABOVE_COUNT, .lab = imm8(n)}, s); return;
        // no expression's reduction: a recording that shows one is not understood
        case R_ACCEPT: case R_S: case R_LIST: case R_EMPTY: case R_STATEMENT: case R_DEFINE:
        case R_REFERENCE: case R_VAR_VALUE: case R_ELEMENT: case RULE_COUNT:
            break;
        }
        assert(!"a rule the compiler does not know");
        failed = true;   // the item stays with the parser
    }

    void gen_binary(int n)
    {
        const Step &s = at(n);
        int left = kid(n, 0), right = kid(n, 1);
        uint8_t op = op_of(s.rule);
        if (is_var(left) && is_number(right)) {
            emit({.code = G_VAR_OP_NUMBER, .op = op, .x = var_of(left), .k = at(right).imm}, s);
        } else if (is_var(left) && is_var(right)) {
            emit({.code = G_VAR_OP_VAR, .op = op, .x = var_of(left), .y = var_of(right)}, s);
        } else if (is_number(right)) {
            gen(left);
            emit({.code = G_OP_NUMBER, .op = op, .k = at(right).imm}, s);
        } else if (is_var(right)) {
            gen(left);
            emit({.code = G_OP_VAR, .op = op, .y = var_of(right)}, s);
        } else {
            gen(left);
            gen(right);
            emit({.code = G_BINARY, .op = op}, s);
        }
    }

    // v = ...; of a common shape as one op.
    bool gen_set(int root)
    {
        uint8_t v = imm8(kid(root, 0));
        int e = kid(root, 1);
        if (is_number(e)) {
            emit({.code = S_SET_K, .v = v, .k = at(e).imm}, at(root));
            return true;
        }
        if (!rule_is_binary(at(e).rule) || !is_var(kid(e, 0)))
            return false;
        uint8_t op = op_of(at(e).rule), x = var_of(kid(e, 0));
        int right = kid(e, 1);
        if (is_number(right)) {
            uint8_t code = op == token_kind(OPADD) ? S_SET_ADD
                         : op == token_kind(OPSUB) ? S_SET_SUB : S_SET_OP;
            emit({.code = code, .op = op, .v = v, .x = x, .k = at(right).imm}, at(e));
            return true;
        }
        if (is_var(right)) {
            emit({.code = S_SET_VV, .op = op, .v = v, .x = x, .y = var_of(right)}, at(e));
            return true;
        }
        return false;
    }

    // if x cmp k X; and if x op y X; as one op.
    bool gen_if(int root)
    {
        int c = kid(root, 0);
        if (!rule_is_binary(at(c).rule) || !is_var(kid(c, 0)))
            return false;
        uint8_t op = op_of(at(c).rule), x = var_of(kid(c, 0)), lab = imm8(root);
        if (is_number(kid(c, 1))) {
            static const int CMPS[] = {OPLT, OPLE, OPGT, OPGE, OPEQ, OPNE};   // ORDER COMPARISONS
            uint8_t code = S_IF_OP;
            for (int i = 0; i < 6; i++)
                if (op == token_kind(CMPS[i]))
                    code = static_cast<uint8_t>(S_IF_LT + i);
            emit({.code = code, .op = op, .x = x, .lab = lab, .k = at(kid(c, 1)).imm}, at(c));
            return true;
        }
        if (is_var(kid(c, 1))) {
            emit({.code = S_IF_VV, .op = op, .x = x, .y = var_of(kid(c, 1)), .lab = lab}, at(c));
            return true;
        }
        return false;
    }

    // A whole statement of a common shape as one op; false for the others.
    bool gen_statement(int root)
    {
        const Step &s = at(root);
        switch (s.rule) {
        case R_ASSIGN: return at(kid(root, 0)).rule == R_VAR_ADDR && gen_set(root);
        case R_IF: return gen_if(root);
        case R_ABOVE: emit({.code = S_ABOVE, .lab = imm8(root)}, s); return true;
        case R_BELOW: emit({.code = S_BELOW, .lab = imm8(root)}, s); return true;
        case R_PUT:
        case R_PUTS:
            if (!is_var(kid(root, 0)))
                return false;
            emit({.code = s.rule == R_PUT ? S_PUT : S_PUTS, .x = var_of(kid(root, 0))}, s);
            return true;
        default:
            return false;
        }
    }
};

// Compiles the recorded item; its record number, or -1.
int32_t compile(void)
{
    nodes.clear();
    ops.clear();
    Compiler c{nodes, ops};
    const Step &end = steps.back();
    if (end.rule != R_STATEMENT)   // an item with nothing to do, met unscanned
        return steps.size() == 1 ? add_record(ops, tokens_pos(), end.line) : -1;
    int root;
    if (!c.build(steps.size() - 1, &root))
        return -1;
    if (!c.gen_statement(root)) {
        c.emit({.code = S_GENERIC}, end);
        c.gen(root);
        if (c.failed || c.max_depth > REPLAY_DEPTH || c.depth != 1)
            return -1;
        c.emit({.code = G_END}, end);
    }
    return add_record(ops, tokens_pos(), end.line);
}

/* The run of items with nothing to do (';', "X;", "X:") that starts at the
   read position, as far as it is scanned: where it ends, or false if the
   item there is another. No search is pending, so "X:" changes nothing. */
bool nothing_to_do(uint32_t *end, int32_t *end_line)
{
    uint32_t pos = tokens_pos(), stop = tokens_scanned();
    uint32_t line = static_cast<uint32_t>(line_no);
    bool found = false, after_label = false;
    while (pos < stop) {
        uint32_t n;
        const Token *t = tokens_span(pos, &n);
        for (const Token *last = t + n; t < last; t++, pos++) {
            line += t->lines;
            if (t->kind == K_LINES) {
                line += static_cast<uint32_t>(t->value);
            } else if (t->kind == token_kind(LABEL) && !after_label) {
                after_label = true;
            } else if (t->kind == token_kind(NL) || (t->kind == token_kind(COL) && after_label)) {
                after_label = false;
                found = true;
                *end = pos + 1;
                *end_line = static_cast<int32_t>(line);
            } else {
                return found;
            }
        }
    }
    return found;
}

}  // namespace

bool compiled_begin(void)
{
    uint32_t end;
    int32_t end_line;
    int32_t *state = tokens_item_word(tokens_pos());
    if (nothing_to_do(&end, &end_line)) {
        ops.clear();
        int32_t rec = add_record(ops, end, end_line);
        *state = rec >= 0 ? ITEM_FIRST_RECORD + rec : ITEM_EXCLUDED;
        return rec >= 0;
    }
    if (!affordable(1)) {
        *state = ITEM_EXCLUDED;   // past the budget: not worth recording
        return false;
    }
    steps.clear();
    item_pos = tokens_pos();
    jumps = 0;
    compiled_recording = true;
    return false;
}

void compiled_note(Rule rule, int32_t imm)
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
        compiled_recording = false;
        int32_t rec = recordable() ? compile() : -1;
        if (int32_t *state = tokens_item_word(item_pos))
            *state = rec >= 0 ? ITEM_FIRST_RECORD + rec : ITEM_EXCLUDED;
    }
}

void compiled_reset(void)
{
    compiled_recording = false;
    compiled_code.size = 0;
    compiled_records.size = 0;
}
