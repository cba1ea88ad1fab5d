/*
 * labels.cpp - labels and jumps as quill carries them out. A search sees
 * only labels, ';' and ':', so a definition is a label followed by ':'
 * among those tokens, and a statement holding two labels breaks every
 * search that passes over it. From each jump, where its search can stop:
 * the n-th definition after it (from the top for above), or any up to where
 * searches break for a count not known.
 */
#include "flow.h"

namespace {

// A count as the label counter keeps it: the low 8 bits, signed; a
// negative one ends at the next definition.
int kept(int32_t n)
{
    int8_t low = static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(n) & 0xff));
    return low == 0 ? 0 : low < 0 ? 1 : low;
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

}  // namespace

Labels labels_view(const Script &s, Flow *flow)
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

bool labels_in(const Script &s, const Item &item)
{
    for (int t = item.first; t <= item.last; t++)
        if (s.toks[static_cast<std::size_t>(t)].code == LABEL)
            return true;
    return false;
}

void labels_jumps(const Script &s, int item, int root, std::vector<Jump> *out)
{
    // a stack of its own, as an expression's depth is the input's
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

bool Labels::search(const Jump &j, int from, std::size_t *first, std::size_t *last) const
{
    *first = *last = 0;
    if (j.known && j.count == 0)
        return true;   // no search
    auto bad = std::lower_bound(broken.begin(), broken.end(), from);
    int stop = bad == broken.end() ? INT32_MAX : *bad;
    std::size_t a = first_from(j.lab, from), end = end_of(j.lab);
    if (j.known) {
        std::size_t k = a + static_cast<std::size_t>(j.count - 1);
        if (k >= end || col(k) > stop)
            return true;
        *first = k;
        *last = k + 1;
        return false;
    }
    auto past = std::upper_bound(stops.begin() + static_cast<long>(a),
                                 stops.begin() + static_cast<long>(end), stop,
                                 [&](int tok, int d) { return tok < defs[static_cast<std::size_t>(d)].col_tok; });
    *first = a;
    *last = static_cast<std::size_t>(past - stops.begin());
    return true;
}

JumpSite labels_site(const Script &s, const Labels &labels, const Jump &j, Landed *landed)
{
    int label_tok = s.nodes[static_cast<std::size_t>(j.node)].last;
    std::size_t a, b;
    labels.search(j, j.above() ? 0 : label_tok + 1, &a, &b);
    if (landed && b > a)
        landed->push_back({a, b});
    const int *base = labels.stops.data();
    return JumpSite{j.lab, label_tok, Run{base + a, base + b}};
}

Flow check_labels(const Script &s)
{
    Flow flow;
    Labels labels = labels_view(s, &flow);
    std::vector<Jump> list;
    for (const Item &item : s.items)
        if (item.kind == ItemKind::STATEMENT && labels_in(s, item)) {
            list.clear();
            labels_jumps(s, 0, item.root, &list);
            for (const Jump &j : list)
                flow.jumps.push_back(labels_site(s, labels, j, nullptr));
        }
    return flow;
}
