/*
 * values.cpp - what the variables may hold where they are read, over every
 * path a run can take: whether anything can have set them at all, and
 * whether they hold numbers, texts or arrays. From that: reads that always
 * see the starting 0, services given no text, put of a text, puts of a
 * number, and an assignment where a condition was meant.
 */
#include "check.h"

#include <algorithm>

namespace {

// What each variable may hold, four bits of a Kind mask a variable, and
// which variables some path has set: 20 bytes, kept where a block starts.
struct State {
    uint32_t assigned = 0;
    uint32_t kinds[4] = {ZEROS, ZEROS, ZEROS, ZEROS};
    static constexpr uint32_t ZEROS = 0x11111111u * KIND_ZERO;

    int kind(int v) const { return static_cast<int>(kinds[v / 8] >> (v % 8 * 4) & 15); }
    void set_kind(int v, int kind)
    {
        uint32_t shift = static_cast<uint32_t>(v % 8 * 4);
        kinds[v / 8] = (kinds[v / 8] & ~(15u << shift)) | static_cast<uint32_t>(kind) << shift;
    }
    bool merge(const State &o)
    {
        bool changed = (assigned | o.assigned) != assigned;
        assigned |= o.assigned;
        for (int w = 0; w < 4; w++) {
            changed |= (kinds[w] | o.kinds[w]) != kinds[w];
            kinds[w] |= o.kinds[w];
        }
        return changed;
    }
};

std::string var_name(int v)
{
    return std::string("`") + static_cast<char>('a' + v) + "`";
}

// One node being worked out: its stage, and what it keeps across its kids.
struct Frame {
    int n;
    int stage;
    int left;    // a binary operator's left operand
    int var;     // an assignment's variable, -1 for an element
    int outer;   // the assignment being walked around it
};
std::vector<Frame> stack;   // kept from walk to walk: no allocation per statement

struct Walk {
    Script &s;
    State st;
    bool report;
    uint32_t told = 0;   // variables already reported as never set
    int assigning = -1;  // the variable an assignment being walked writes

    const Node &at(int n) const { return s.nodes[static_cast<std::size_t>(n)]; }

    void read(int v, int n)
    {
        // s = s + x starting from 0 is how a sum begins: not a mistake
        if (!report || (st.assigned >> v & 1) || (told >> v & 1) || v == assigning)
            return;
        told |= 1u << v;
        check_report(s, at(n).first, at(n).last, Code::NEVER_SET,
                     var_name(v) + " is read before anything sets it: it is 0 on every run "
                     "that gets here");
    }

    void service(int number, int n)
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

    void set(int v, int kind)
    {
        st.assigned |= 1u << v;
        st.set_kind(v, kind);
    }

    int arithmetic(Rule r, int a, int b)
    {
        bool address = (a | b) & (KIND_TEXT | KIND_ARRAY);   // an address plus or minus a number
        if (address && (r == R_ADD || r == R_SUB))
            return KIND_ANY;
        return KIND_NUMBER | KIND_ZERO;
    }

    // What node n may hold, its reads reported as they happen. The tree is
    // walked with a stack of its own: an expression's depth is the input's.
    int eval(int root)
    {
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
    int step(Frame &f, int *ret)
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
    int assignment(Frame &f, const Node &x, int stage, int *ret)
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

    void printed(const Node &x, int kind)
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

    int called(int n)
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
};

}  // namespace

namespace {

// Straight runs of the graph: a block starts at the top and wherever a node
// other than the one before can go on to; it ends where a node does not
// just go on to the next. Only the blocks' starts keep what the variables
// hold, so a script of a million statements keeps a few states, not a
// million.
struct Blocks {
    const Script &s;
    const Flow &flow;
    std::size_t items;
    std::vector<bool> starts;       // per node
    std::vector<int> heads;          // the nodes that start a block, in order

    bool plain(std::size_t i) const   // node i just goes on to the next
    {
        Run next = flow.successors(i);
        return i < items && next.size() == 1 && next.from[0] == static_cast<int>(i + 1);
    }

    Blocks(const Script &script, const Flow &f) : s(script), flow(f), items(script.items.size())
    {
        starts.assign(flow.nodes(), false);
        starts[0] = true;
        for (std::size_t i = 0; i < flow.nodes(); i++)
            if (!plain(i))
                for (int t : flow.successors(i))
                    starts[static_cast<std::size_t>(t)] = true;
        for (std::size_t i = 0; i < flow.nodes(); i++)
            if (starts[i] && i != items)   // the end holds nothing to check
                heads.push_back(static_cast<int>(i));
    }

    std::size_t slot(int head) const
    {
        return static_cast<std::size_t>(std::lower_bound(heads.begin(), heads.end(), head) - heads.begin());
    }

    // Walks the block from head; the node it ends with.
    std::size_t walk(std::size_t head, Walk *w) const
    {
        for (std::size_t i = head;; i++) {
            if (i < items && s.items[i].kind == ItemKind::STATEMENT)
                w->eval(s.items[i].root);
            if (!plain(i) || starts[i + 1])
                return i;
        }
    }
};

}  // namespace

void check_values(Script &s, const Flow &flow)
{
    if (s.items.empty())
        return;
    Blocks b(s, flow);
    std::vector<State> in(b.heads.size());
    std::vector<bool> seen(b.heads.size()), queued(b.heads.size());
    std::vector<std::size_t> work{0};
    seen[0] = queued[0] = true;
    while (!work.empty()) {
        std::size_t k = work.back();
        work.pop_back();
        queued[k] = false;
        Walk w{s, in[k], false};
        for (int t : flow.successors(b.walk(static_cast<std::size_t>(b.heads[k]), &w))) {
            if (static_cast<std::size_t>(t) == b.items)
                continue;   // the end
            std::size_t to = b.slot(t);
            bool changed = true;
            if (!seen[to]) {
                seen[to] = true;
                in[to] = w.st;
            } else {
                changed = in[to].merge(w.st);
            }
            if (changed && !queued[to]) {
                queued[to] = true;
                work.push_back(to);
            }
        }
    }
    uint32_t told = 0;
    for (std::size_t k = 0; k < b.heads.size() && static_cast<std::size_t>(b.heads[k]) < b.items; k++) {
        if (!seen[k])
            continue;
        Walk w{s, in[k], true, told};
        b.walk(static_cast<std::size_t>(b.heads[k]), &w);
        told = w.told;
    }
}
