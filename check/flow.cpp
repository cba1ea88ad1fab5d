/*
 * flow.cpp - labels and jumps as quill carries them out. A search sees only
 * labels, ';' and ':', so a definition is a label followed by ':' among
 * those tokens, and a statement holding two labels breaks every search that
 * passes over it. From each jump, where its search lands (the n-th
 * definition after it, or from the top for above); from that, what can
 * follow each item, and which items no run reaches.
 */
#include "check.h"

#include <algorithm>
#include <span>

namespace {

struct Jump {
    int item;
    int node;
    Rule rule;
    int8_t lab;
    bool known;      // the count is a literal
    bool conditional;
    int16_t count;   // then as the label counter keeps it: 0 no search, else how many
};

// The label definitions as a search sees them, kept in a flow: its defs, in
// token order, and its stops, each label's definitions in order.
struct Labels {
    const std::vector<LabelDef> &defs;
    const std::vector<int> &stops;
    int first_of[27];           // label lab's run in stops: first_of[lab] .. first_of[lab + 1]
    std::vector<int> broken;    // tokens where the filtered stream breaks

    int col(std::size_t at) const { return defs[static_cast<std::size_t>(stops[at])].col_tok; }

    // Where the definitions of lab from token from on start in stops.
    std::size_t first_from(int lab, int from) const
    {
        auto begin = stops.begin() + first_of[lab], end = stops.begin() + first_of[lab + 1];
        return static_cast<std::size_t>(
            std::lower_bound(begin, end, from,
                             [&](int d, int tok) { return defs[static_cast<std::size_t>(d)].col_tok < tok; }) -
            stops.begin());
    }
    std::size_t end_of(int lab) const { return static_cast<std::size_t>(first_of[lab + 1]); }
};

// A count as the label counter keeps it: the low 8 bits, signed; a
// negative one ends at the next definition.
int kept(int32_t n)
{
    int8_t low = static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(n) & 0xff));
    return low == 0 ? 0 : low < 0 ? 1 : low;
}

// The definitions into flow's defs and stops; the tokens that break a search.
Labels filtered_view(const Script &s, Flow *flow)
{
    Labels l{flow->defs, flow->stops, {}, {}};
    int after = -1;   // the label token just passed, if the item began with one
    int per_label[26] = {};
    flow->defs.reserve(static_cast<std::size_t>(
        std::count_if(s.toks.begin(), s.toks.end(), [](const Tok &t) { return t.code == COL; })));
    for (int i = 0; i < static_cast<int>(s.toks.size()); i++) {
        int code = s.toks[static_cast<std::size_t>(i)].code;
        if (code == LABEL) {
            if (after >= 0)
                l.broken.push_back(i);
            after = i;
        } else if (code == COL) {
            if (after < 0) {
                l.broken.push_back(i);
            } else {
                int lab = s.toks[static_cast<std::size_t>(after)].value;
                per_label[lab]++;
                flow->defs.push_back(LabelDef{lab, after, i});
            }
            after = -1;
        } else if (code == NL) {
            after = -1;
        } else if (code == 0 && i + 1 == static_cast<int>(s.toks.size())) {
            if (after >= 0)
                l.broken.push_back(after);
        }
    }
    l.first_of[0] = 0;
    for (int lab = 0; lab < 26; lab++)
        l.first_of[lab + 1] = l.first_of[lab] + per_label[lab];
    flow->stops.resize(flow->defs.size());
    int fill[26];
    std::copy(l.first_of, l.first_of + 26, fill);
    for (std::size_t d = 0; d < flow->defs.size(); d++)
        flow->stops[static_cast<std::size_t>(fill[flow->defs[d].lab]++)] = static_cast<int>(d);
    return l;
}

bool literal(const Script &s, int n, int32_t *value)
{
    bool negated = false;   // an even number of minus signs cancels out
    for (;;) {
        const Node &x = s.nodes[static_cast<std::size_t>(n)];
        if (x.rule == R_NUMBER) {
            int32_t v = check_value(s, n);
            *value = negated ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
            return true;
        }
        if (x.rule != R_NEGATE && x.rule != R_PAREN)
            return false;
        negated ^= x.rule == R_NEGATE;
        n = x.kid;
    }
}

// The jumps of a tree in the order they run: kids first, left to right. A
// stack of its own, as an expression's depth is the input's.
void collect(const Script &s, int item, int root, std::vector<Jump> *out)
{
    static std::vector<std::pair<int, bool>> todo;   // a node, and whether its kids are done
    todo.assign(1, {root, false});
    while (!todo.empty()) {
        auto [n, done] = todo.back();
        todo.pop_back();
        const Node &x = s.nodes[static_cast<std::size_t>(n)];
        if (!done) {
            todo.push_back({n, true});
            for (int k = 1; k >= 0; k--)
                if (check_kid(s, n, k) >= 0)
                    todo.push_back({check_kid(s, n, k), false});
            continue;
        }
        if (!rule_is_jump(x.rule))
            continue;
        Jump j{item, n, x.rule, static_cast<int8_t>(check_value(s, n)), true,
               x.rule == R_IF || x.rule == R_IF_COUNT, 1};
        int count_kid = x.rule == R_IF_COUNT ? check_kid(s, n, 1)
                      : x.rule == R_BELOW_COUNT || x.rule == R_ABOVE_COUNT ? x.kid : -1;
        int32_t value;
        if (count_kid >= 0) {
            j.known = literal(s, count_kid, &value);
            j.count = static_cast<int16_t>(j.known ? kept(value) : 1);
        }
        out->push_back(j);
    }
}

bool is_above(Rule r)
{
    return r == R_ABOVE || r == R_ABOVE_COUNT;
}

struct Graph {
    const Script &s;
    Labels labels;
    std::vector<Jump> jumps;                // item by item
    std::span<const Jump> jumps_of(int i) const
    {
        auto [a, b] = std::equal_range(jumps.begin(), jumps.end(), Jump{i, 0, R_IF, 0, false, false, 0},
                                       [](const Jump &x, const Jump &y) { return x.item < y.item; });
        return {a, b};
    }
    int end;                                // the node after the last item
    int chain_of[26];   // the node of the first definition of a label that a count
                        // not known searches for, else -1

    // The item that holds token tok.
    int holder(int tok) const { return item_at(tok + 1) - 1; }

    // The item that starts at or after token tok.
    int item_at(int tok) const
    {
        auto it = std::lower_bound(s.items.begin(), s.items.end(), tok,
                                   [](const Item &i, int t) { return i.first < t; });
        return static_cast<int>(it - s.items.begin());
    }

    // The definitions a search for j from token from can stop at, as
    // stops[*first .. *last): the n-th, or any for a count not known, up to
    // where a search breaks. True when it may find none (too few, or a
    // broken item before it).
    bool stops(const Jump &j, int from, std::size_t *first, std::size_t *last) const
    {
        *first = *last = 0;
        if (j.known && j.count == 0)
            return true;   // no search
        auto bad = std::lower_bound(labels.broken.begin(), labels.broken.end(), from);
        int stop = bad == labels.broken.end() ? INT32_MAX : *bad;
        std::size_t a = labels.first_from(j.lab, from), end = labels.end_of(j.lab);
        if (j.known) {
            std::size_t k = a + static_cast<std::size_t>(j.count - 1);
            if (k >= end || labels.col(k) > stop)
                return true;
            *first = k;
            *last = k + 1;
            return false;
        }
        auto past = std::upper_bound(labels.stops.begin() + static_cast<long>(a),
                                     labels.stops.begin() + static_cast<long>(end), stop,
                                     [&](int tok, int d) { return tok < labels.defs[static_cast<std::size_t>(d)].col_tok; });
        *first = a;
        *last = static_cast<std::size_t>(past - labels.stops.begin());
        return true;
    }

    // The node of the definition at stops[at] in its label's run.
    int chain(int lab, std::size_t at) const
    {
        return chain_of[lab] + static_cast<int>(at) - labels.first_of[lab];
    }

    // Where a search for j from token from can go on: after the definition
    // it stops at, into the run of those it may stop at, or the end.
    void landings(const Jump &j, int from, std::vector<int> *out) const
    {
        std::size_t a, b;
        bool to_end = stops(j, from, &a, &b);
        if (b > a)
            out->push_back(j.known ? item_at(labels.col(a) + 1) : chain(j.lab, a));
        if (to_end && !(j.known && j.count == 0))
            out->push_back(end);
    }

    int from_of(const Jump &j) const
    {
        return is_above(j.rule) ? 0 : s.nodes[static_cast<std::size_t>(j.node)].last + 1;
    }

    std::vector<int> successors(int i) const
    {
        std::vector<int> out;
        bool falls = true;
        for (const Jump &j : jumps_of(i)) {
            int label_tok = s.nodes[static_cast<std::size_t>(j.node)].last;
            if (is_above(j.rule)) {   // its statement always ends in a rewind
                if (!j.known || j.count == 0)
                    out.push_back(0);
                if (!j.known || j.count > 0)
                    landings(j, 0, &out);
                falls = false;
                break;
            }
            if (j.known && j.count == 0)
                continue;   // no search
            landings(j, label_tok + 1, &out);
            if (!j.conditional && j.known) {
                falls = false;   // it always fires: later jumps are filtered
                break;
            }
        }
        if (falls)
            out.push_back(i + 1);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    // A run's definition goes on after itself, and to the next of the run
    // unless a broken item lies between.
    void chain_successors(int lab, std::size_t at, std::vector<int> *out) const
    {
        out->push_back(item_at(labels.col(at) + 1));
        if (at + 1 >= labels.end_of(lab))
            return;
        auto bad = std::upper_bound(labels.broken.begin(), labels.broken.end(), labels.col(at));
        if (bad == labels.broken.end() || *bad > labels.col(at + 1))
            out->push_back(chain(lab, at + 1));
    }
};

// Only a statement with a label in it can jump.
bool has_label(const Script &s, const Item &item)
{
    for (int t = item.first; t <= item.last; t++)
        if (s.toks[static_cast<std::size_t>(t)].code == LABEL)
            return true;
    return false;
}

std::string quote_label(int lab)
{
    return std::string("`") + static_cast<char>('A' + lab) + ":`";
}

void missing_definitions(Script &s, const Graph &g)
{
    for (const Jump &j : g.jumps) {
        if (j.known && j.count == 0)
            continue;
        int tok = s.nodes[static_cast<std::size_t>(j.node)].last;
        int from = is_above(j.rule) ? 0 : tok + 1;
        int have = static_cast<int>(g.labels.end_of(j.lab) - g.labels.first_from(j.lab, from));
        std::string where = is_above(j.rule) ? " in the script" : " after this jump";
        if (have == 0)
            check_report(s, tok, tok, Code::NO_DEFINITION,
                         "no " + quote_label(j.lab) + where + ": the search skips the rest "
                         "of the script without a word");
        else if (j.known && j.count > have)
            check_report(s, tok, tok, Code::TOO_FEW,
                         "@ " + std::to_string(j.count) + " needs " +
                         std::to_string(j.count) + " definitions of " +
                         quote_label(j.lab) + where + ", there are " +
                         std::to_string(have) + ": the search skips the rest of the script");
    }
}

void broken_searches(Script &s, const Graph &g)
{
    for (int b : g.labels.broken) {
        int i = g.item_at(b + 1) - 1;
        if (i < 0 || s.items[static_cast<std::size_t>(i)].kind != ItemKind::STATEMENT ||
            s.items[static_cast<std::size_t>(i)].last < b ||
            s.toks[static_cast<std::size_t>(b)].code != LABEL)
            continue;   // a syntax error of its own: reported already
        check_report(s, b, b, Code::SECOND_LABEL,
                     "a second label in one statement: any search that passes over it stops "
                     "the script with a syntax error here");
    }
}

// A jump inside ( ) or [ ]: when it fires, the rest of the statement up to
// its ';' is dropped, the bracket stays open, and the parse fails.
void jumps_in_brackets(Script &s, int root)
{
    static std::vector<std::pair<int, bool>> todo;   // a node, and whether brackets hold it
    todo.assign(1, {root, false});
    while (!todo.empty()) {
        auto [n, inside] = todo.back();
        todo.pop_back();
        const Node &x = s.nodes[static_cast<std::size_t>(n)];
        if (inside && rule_is_jump(x.rule)) {
            bool always = x.rule == R_BELOW || x.rule == R_ABOVE;
            check_report(s, x.first, x.last, Code::JUMP_IN_BRACKETS,
                         always ? Severity::ERROR : Severity::WARNING,
                         std::string(always ? "this jump always fires inside" : "when this jump "
                         "fires inside") + " brackets, the rest of the statement is dropped and "
                         "quill stops with a syntax error: give the jump a statement of its own");
            continue;
        }
        bool opens = x.rule == R_PAREN || x.rule == R_ELEMENT || x.rule == R_ELEMENT_ADDR;
        for (int k = 1; k >= 0; k--)
            if (check_kid(s, n, k) >= 0)
                todo.push_back({check_kid(s, n, k), inside || opens});
    }
}

void unreachable(Script &s, const Flow &flow)
{
    int n = static_cast<int>(s.items.size());
    for (int i = 0; i < n; i++) {
        if (flow.reachable[static_cast<std::size_t>(i)] ||
            s.items[static_cast<std::size_t>(i)].kind != ItemKind::STATEMENT)
            continue;
        int last = i;
        for (int j = i + 1; j < n && !flow.reachable[static_cast<std::size_t>(j)]; j++)
            if (s.items[static_cast<std::size_t>(j)].kind == ItemKind::STATEMENT)
                last = j;
        check_report(s, s.items[static_cast<std::size_t>(i)].first,
                     s.items[static_cast<std::size_t>(last)].last, Code::NEVER_RUNS,
                     "this never runs: the statement before always jumps away, and no search "
                     "lands here");
        i = last;
    }
}

// Where a search lands: a run of stops, from and past the end.
using Landed = std::vector<std::pair<std::size_t, std::size_t>>;

// A jump and the definitions its search can stop at, those added to landed.
JumpSite site_of(const Graph &g, const Jump &j, Landed *landed)
{
    std::size_t a, b;
    g.stops(j, g.from_of(j), &a, &b);
    if (landed && b > a)
        landed->push_back({a, b});
    const int *base = g.labels.stops.data();
    return JumpSite{j.lab, g.s.nodes[static_cast<std::size_t>(j.node)].last, Run{base + a, base + b}};
}

void unused_labels(Script &s, const Graph &g, Landed &landed)
{
    bool named[26] = {};
    for (const Jump &j : g.jumps)
        named[j.lab] = true;
    std::vector<bool> lands(g.labels.defs.size());
    std::sort(landed.begin(), landed.end());
    std::size_t next = 0, reach = 0;   // the runs that start up to here end before reach
    for (std::size_t at = 0; at < g.labels.stops.size(); at++) {
        for (; next < landed.size() && landed[next].first <= at; next++)
            reach = std::max(reach, landed[next].second);
        lands[static_cast<std::size_t>(g.labels.stops[at])] = at < reach;
    }
    auto unused = [&](std::size_t d) { return !lands[d] || !named[g.labels.defs[d].lab]; };
    for (std::size_t d = 0, e; d < g.labels.defs.size(); d = e) {
        const LabelDef &def = g.labels.defs[d];
        e = d + 1;
        if (!unused(d))
            continue;
        // the same label again right after it, where nothing runs between: one finding
        int run = g.holder(def.col_tok);
        while (e < g.labels.defs.size() && g.labels.defs[e].lab == def.lab && unused(e) &&
               g.holder(g.labels.defs[e].col_tok) == run)
            e++;
        std::string name(1, static_cast<char>('A' + def.lab));
        std::string these = e - d == 1 ? "this" : "these " + std::to_string(e - d);
        check_report(s, def.label_tok, g.labels.defs[e - 1].col_tok, Code::UNUSED_LABEL,
                     named[def.lab] ? "no jump lands on " + these + " " + quote_label(def.lab)
                                    : "no jump names `" + name + "`: nothing lands on " + these +
                                          (e - d == 1 ? " label" : " labels"));
    }
}

// Each label that a count not known searches for gets a run of nodes.
void chain_labels(Graph *g)
{
    int node = g->end + 1;
    std::fill(g->chain_of, g->chain_of + 26, -1);
    for (const Jump &j : g->jumps)
        if (!j.known)
            g->chain_of[j.lab] = 0;
    for (int lab = 0; lab < 26; lab++)
        if (g->chain_of[lab] == 0) {
            g->chain_of[lab] = node;
            node += g->labels.first_of[lab + 1] - g->labels.first_of[lab];
        }
}

void reach(Flow *flow, int end)
{
    flow->reachable.assign(flow->nodes(), false);
    std::vector<int> work;
    if (end > 0) {
        flow->reachable[0] = true;
        work.push_back(0);
    }
    while (!work.empty()) {
        int i = work.back();
        work.pop_back();
        for (int t : flow->successors(static_cast<std::size_t>(i)))
            if (!flow->reachable[static_cast<std::size_t>(t)]) {
                flow->reachable[static_cast<std::size_t>(t)] = true;
                work.push_back(t);
            }
    }
}

}  // namespace

Flow check_flow(Script &s)
{
    Flow flow;
    Graph g{s, filtered_view(s, &flow), {}, static_cast<int>(s.items.size()), {}};
    for (std::size_t i = 0; i < s.items.size(); i++)
        if (s.items[i].kind == ItemKind::STATEMENT && has_label(s, s.items[i])) {
            collect(s, static_cast<int>(i), s.items[i].root, &g.jumps);
            jumps_in_brackets(s, s.items[i].root);
        }
    chain_labels(&g);
    flow.next_at.reserve(s.items.size() + 2);
    flow.next.reserve(s.items.size() + 2 * g.jumps.size());   // a jump adds its landing and the end
    flow.jumps.reserve(g.jumps.size());
    Landed landed;
    landed.reserve(g.jumps.size());
    std::vector<int> out;
    for (int i = 0; i < g.end; i++) {
        flow.next_at.push_back(static_cast<int>(flow.next.size()));
        std::span<const Jump> here = g.jumps_of(i);
        if (here.empty()) {
            flow.next.push_back(i + 1);
            continue;
        }
        for (int t : g.successors(i))
            flow.next.push_back(t);
        for (const Jump &j : here)
            flow.jumps.push_back(site_of(g, j, &landed));
    }
    flow.next_at.push_back(static_cast<int>(flow.next.size()));   // the end goes nowhere
    for (int lab = 0; lab < 26; lab++)
        for (std::size_t at = static_cast<std::size_t>(g.labels.first_of[lab]);
             g.chain_of[lab] >= 0 && at < g.labels.end_of(lab); at++) {
            flow.next_at.push_back(static_cast<int>(flow.next.size()));
            out.clear();
            g.chain_successors(lab, at, &out);
            flow.next.insert(flow.next.end(), out.begin(), out.end());
        }
    flow.next_at.push_back(static_cast<int>(flow.next.size()));
    reach(&flow, g.end);
    missing_definitions(s, g);
    broken_searches(s, g);
    unreachable(s, flow);
    unused_labels(s, g, landed);
    for (const Item &item : s.items)
        if (item.kind == ItemKind::REFERENCE)
            check_report(s, item.first, item.last, Code::LABEL_STATEMENT,
                         std::string(1, static_cast<char>('A' + item.root)) +
                             "; does nothing: a label is defined with " + quote_label(item.root));
    return flow;
}

Flow check_labels(const Script &s)
{
    Flow flow;
    Graph g{s, filtered_view(s, &flow), {}, static_cast<int>(s.items.size()), {}};
    std::vector<Jump> list;
    for (const Item &item : s.items)
        if (item.kind == ItemKind::STATEMENT && has_label(s, item)) {
            list.clear();
            collect(s, 0, item.root, &list);
            for (const Jump &j : list)
                flow.jumps.push_back(site_of(g, j, nullptr));
        }
    return flow;
}
