/*
 * record.cpp - items recorded once, for replay without the parser. The
 * second time an item runs from its start (no search pending, no trace),
 * every reduction the parser makes of it is noted: rule, token value, line.
 * Its tokens and the grammar fix those reductions, so the notes compile to
 * code that replay.cpp runs from the third time on.
 */
#include "quill.h"

#include "compiled.h"

bool compiled_recording;   // the parser is running an item that is being recorded
std::vector<Op> compiled_code;
std::vector<Record> compiled_records;

namespace {

struct Step {
    uint8_t rule;
    int32_t imm;    // the token value the rule read: number, variable, label, text
    int32_t line;   // line_no as the rule ran
};

constexpr std::size_t MAX_STEPS = 512;   // longer items stay with the parser

std::vector<Step> steps;
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
   record as nothing to do. */
bool recordable(void)
{
    if (steps.size() > MAX_STEPS || jumps > 1)
        return false;
    return jumps == 0 || jump_label_pos + 2 == tokens_pos();   // label, ';', then here
}

/* The statement's reductions in order are its tree in post-order. */
struct Node {
    const Step *step;
    int kids[2];
    int nkids;
};

int arity(int rule)
{
    switch (rule) {
    case 4: case 6: case 7: case 21: case 23: case 36: case 37: case 39: case 41:
        return 0;
    case 8: case 9: case 10: case 11: case 12: case 13: case 14: case 17: case 18: case 20:
    case 29: case 30: case 31: case 32: case 33: case 34:
        return 2;
    default:
        return 1;
    }
}

bool is_binary(int rule)
{
    return (rule >= 8 && rule <= 14) || (rule >= 29 && rule <= 34);
}

// ORDER RULES: the operator of rules 8-14 and 29-34, as stored in an op.
uint8_t op_of(int rule)
{
    static const int OPS[] = {OPADD, OPSUB, OPMUL, OPDIV, OPMOD, OPAND, OPOR};
    static const int CMPS[] = {OPGT, OPLT, OPGE, OPLE, OPEQ, OPNE};
    return static_cast<uint8_t>((rule <= 14 ? OPS[rule - 8] : CMPS[rule - 29]) - 256);
}

struct Compiler {
    std::vector<Node> nodes;
    std::vector<Op> out;
    int depth = 0, max_depth = 0;

    const Step &at(int n) const { return *nodes[n].step; }
    int kid(int n, int i) const { return nodes[n].kids[i]; }
    bool is_var(int n) const { return at(n).rule == 38 && at(kid(n, 0)).rule == 39; }
    bool is_number(int n) const { return at(n).rule == 36; }
    int var_of(int n) const { return at(kid(n, 0)).imm; }

    void emit(uint8_t code, const Step &s, int pushes, uint8_t op = 0, int a = 0, int b = 0,
              int32_t k = 0)
    {
        out.push_back(Op{code, op, static_cast<uint8_t>(a), static_cast<uint8_t>(b), k, s.line});
        depth += pushes;
        if (depth > max_depth)
            max_depth = depth;
    }

    bool build(std::size_t count, int *root)
    {
        std::vector<int> open;
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

    /* Code that leaves node n's value on the stack and ev as the parser
       leaves it. Where one op stands for several rules, every rule but the
       last stored into ev a value the last one overwrites, and none but the
       last can report anything. */
    void gen(int n)
    {
        const Step &s = at(n);
        int r = s.rule;
        if (r == 38 && is_var(n)) {
            emit(G_VAR, s, 1, 0, var_of(n));
        } else if (r == 38) {   // an element: rule 40 below stores the same value
            gen(kid(kid(n, 0), 0));
            emit(G_ELEM, at(kid(n, 0)), 0, 0, at(kid(n, 0)).imm);
        } else if (r == 36) {
            emit(G_NUMBER, s, 1, 0, 0, 0, s.imm);
        } else if (r == 37) {
            emit(G_STRING, s, 1, 0, 0, 0, s.imm);
        } else if (is_binary(r)) {
            gen_binary(n);
        } else if (r == 17 && at(kid(n, 0)).rule == 41) {
            gen(kid(n, 1));   // the slot itself changes nothing the assignment keeps
            emit(G_SET_VAR, s, 0, 0, at(kid(n, 0)).imm);
        } else if (r == 41) {
            emit(G_VARADDR, s, 1, 0, s.imm);
        } else if (r == 42) {
            gen(kid(n, 0));
            emit(G_ELEMADDR, s, 0, 0, s.imm);
        } else {
            for (int i = 0; i < nodes[n].nkids; i++)
                gen(kid(n, i));
            gen_rule(s, nodes[n].nkids);
        }
    }

    void gen_binary(int n)
    {
        const Step &s = at(n);
        int left = kid(n, 0), right = kid(n, 1);
        uint8_t op = op_of(s.rule);
        if (is_var(left) && is_number(right)) {
            emit(G_VAR_OP_NUMBER, s, 1, op, var_of(left), 0, at(right).imm);
        } else if (is_var(left) && is_var(right)) {
            emit(G_VAR_OP_VAR, s, 1, op, var_of(left), var_of(right));
        } else if (is_number(right)) {
            gen(left);
            emit(G_OP_NUMBER, s, 0, op, 0, 0, at(right).imm);
        } else if (is_var(right)) {
            gen(left);
            emit(G_OP_VAR, s, 0, op, var_of(right));
        } else {
            gen(left);
            gen(right);
            emit(G_BINARY, s, -1, op);
        }
    }

    void gen_rule(const Step &s, int nkids)
    {
        static const struct { uint8_t rule, code; } ONE_EACH[] = {
            {15, G_NEGATE}, {35, G_NOT}, {16, G_PAREN}, {17, G_ASSIGN}, {18, G_STRCOPY},
            {25, G_PUT}, {26, G_PUTS}, {27, G_FUNC}, {28, G_NEW}, {19, G_IF},
            {20, G_IF_COUNT}, {21, G_BELOW}, {22, G_BELOW_COUNT}, {23, G_ABOVE},
            {24, G_ABOVE_COUNT},
        };
        for (const auto &e : ONE_EACH)
            if (e.rule == s.rule)
                emit(e.code, s, 1 - nkids, 0, 0, 0, s.imm);
    }

    // A whole statement of a common shape as one op; false for the others.
    bool gen_statement(int root)
    {
        const Step &s = at(root);
        if (s.rule == 17 && at(kid(root, 0)).rule == 41) {
            int v = at(kid(root, 0)).imm, e = kid(root, 1);
            if (is_number(e)) {
                emit(S_SET_K, s, 0, 0, v, 0, at(e).imm);
                return true;
            }
            if (!is_binary(at(e).rule) || !is_var(kid(e, 0)))
                return false;
            uint8_t op = op_of(at(e).rule);
            int w = var_of(kid(e, 0)), right = kid(e, 1);
            if (is_number(right)) {
                uint8_t code = op == OPADD - 256 ? S_SET_ADD : op == OPSUB - 256 ? S_SET_SUB : S_SET_OP;
                emit(code, at(e), 0, op, v, w, at(right).imm);
                return true;
            }
            if (is_var(right)) {
                emit(S_SET_VV, at(e), 0, op, v, w, var_of(right));
                return true;
            }
            return false;
        }
        if (s.rule == 19 && is_binary(at(kid(root, 0)).rule)) {
            int c = kid(root, 0);
            if (!is_var(kid(c, 0)))
                return false;
            uint8_t op = op_of(at(c).rule);
            if (is_number(kid(c, 1))) {
                static const int CMPS[] = {OPLT, OPLE, OPGT, OPGE, OPEQ, OPNE};
                uint8_t code = S_IF_OP;
                for (int i = 0; i < 6; i++)
                    if (op == CMPS[i] - 256)
                        code = static_cast<uint8_t>(S_IF_LT + i);
                emit(code, at(c), 0, op, var_of(kid(c, 0)), s.imm, at(kid(c, 1)).imm);
                return true;
            }
            if (is_var(kid(c, 1))) {   // the second variable goes in k
                emit(S_IF_VV, at(c), 0, op, var_of(kid(c, 0)), s.imm, var_of(kid(c, 1)));
                return true;
            }
            return false;
        }
        if (s.rule == 23 || s.rule == 21) {
            emit(s.rule == 23 ? S_ABOVE : S_BELOW, s, 0, 0, 0, s.imm);
            return true;
        }
        if ((s.rule == 25 || s.rule == 26) && is_var(kid(root, 0))) {
            emit(s.rule == 25 ? S_PUT : S_PUTS, s, 0, 0, var_of(kid(root, 0)));
            return true;
        }
        return false;
    }
};

// Compiles the recorded item; its record number, or -1.
int32_t compile(void)
{
    Compiler c;
    const Step &end = steps.back();
    if (end.rule != 5) {
        if (steps.size() != 1)
            return -1;
        c.emit(S_ITEM, end, 0);
    } else {
        int root;
        if (!c.build(steps.size() - 1, &root))
            return -1;
        if (!c.gen_statement(root)) {
            c.emit(S_GENERIC, end, 0);
            c.gen(root);
            if (c.max_depth > REPLAY_DEPTH || c.depth != 1)
                return -1;
            c.emit(G_END, end, 0);
        }
    }
    uint32_t first = static_cast<uint32_t>(compiled_code.size());
    compiled_code.insert(compiled_code.end(), c.out.begin(), c.out.end());
    compiled_records.push_back(Record{first, tokens_pos(), end.line, -1, 0, 0, 0, 0, -1});
    return static_cast<int32_t>(compiled_records.size()) - 1;
}

}  // namespace

void compiled_begin(uint32_t pos)
{
    steps.clear();
    item_pos = pos;
    jumps = 0;
    compiled_recording = true;
}

void compiled_note(int rule, int32_t imm)
{
    if (steps.size() <= MAX_STEPS) {   // past that only the item's end is awaited
        if (rule == 37)
            imm = tokens_last_value();   // the literal's text in the stream, not its scratch copy
        steps.push_back(Step{static_cast<uint8_t>(rule), imm, line_no});
    }
    if (rule >= 19 && rule <= 24) {
        jumps++;
        jump_label_pos = tokens_pos() - 1;   // a jump reduces as its label arrives
    }
    if (rule >= 4 && rule <= 7) {   // the item ends here
        compiled_recording = false;
        int32_t rec = recordable() ? compile() : -1;
        tokens_set_item_state(item_pos, rec >= 0 ? ITEM_FIRST_RECORD + rec : ITEM_EXCLUDED);
    }
}

void compiled_reset(void)
{
    compiled_recording = false;
    compiled_code.clear();
    compiled_records.clear();
}
