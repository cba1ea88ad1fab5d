/*
 * graph.cpp - what can follow each item: the next one, where its jumps'
 * searches land, or the end; and from the top, which items a run can reach.
 * A search whose count is not known becomes a chain of nodes, one a
 * definition it may stop at (see Flow).
 */
#include "flow.h"

namespace {

std::span<const Jump> jumps_of(const Graph &g, int i)
{
    auto [a, b] = std::equal_range(g.jumps.begin(), g.jumps.end(), Jump{i, 0, R_IF, 0, false, false, 0},
                                   [](const Jump &x, const Jump &y) { return x.item < y.item; });
    return {a, b};
}

// The node of the definition at stops[at] in its label's run.
int chain(const Graph &g, int lab, std::size_t at)
{
    return g.chain_of[lab] + static_cast<int>(at) - g.labels.first_of[lab];
}

// Where a search for j from token from can go on: after the definition
// it stops at, into the run of those it may stop at, or the end.
void landings(const Graph &g, const Jump &j, int from, std::vector<int> *out)
{
    std::size_t a, b;
    bool to_end = g.labels.search(j, from, &a, &b);
    if (b > a)
        out->push_back(j.known ? g.item_at(g.labels.col(a) + 1) : chain(g, j.lab, a));
    if (to_end && !(j.known && j.count == 0))
        out->push_back(g.end);
}

std::vector<int> successors(const Graph &g, int i)
{
    std::vector<int> out;
    bool falls = true;
    for (const Jump &j : jumps_of(g, i)) {
        int label_tok = g.s.nodes[static_cast<std::size_t>(j.node)].last;
        if (j.above()) {   // its statement always ends in a rewind
            if (!j.known || j.count == 0)
                out.push_back(0);
            if (!j.known || j.count > 0)
                landings(g, j, 0, &out);
            falls = false;
            break;
        }
        if (j.known && j.count == 0)
            continue;   // no search
        landings(g, j, label_tok + 1, &out);
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
void chain_successors(const Graph &g, int lab, std::size_t at, std::vector<int> *out)
{
    const Labels &l = g.labels;
    out->push_back(g.item_at(l.col(at) + 1));
    if (at + 1 >= l.end_of(lab))
        return;
    auto bad = std::upper_bound(l.broken.begin(), l.broken.end(), l.col(at));
    if (bad == l.broken.end() || *bad > l.col(at + 1))
        out->push_back(chain(g, lab, at + 1));
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

void graph_build(Graph *g, Flow *flow, Landed *landed)
{
    chain_labels(g);
    flow->next_at.reserve(g->s.items.size() + 2);
    flow->next.reserve(g->s.items.size() + 2 * g->jumps.size());   // a jump adds its landing and the end
    flow->jumps.reserve(g->jumps.size());
    landed->reserve(g->jumps.size());
    for (int i = 0; i < g->end; i++) {
        flow->next_at.push_back(static_cast<int>(flow->next.size()));
        std::span<const Jump> here = jumps_of(*g, i);
        if (here.empty()) {
            flow->next.push_back(i + 1);
            continue;
        }
        for (int t : successors(*g, i))
            flow->next.push_back(t);
        for (const Jump &j : here)
            flow->jumps.push_back(labels_site(g->s, g->labels, j, landed));
    }
    flow->next_at.push_back(static_cast<int>(flow->next.size()));   // the end goes nowhere
    std::vector<int> out;
    for (int lab = 0; lab < 26; lab++)
        for (std::size_t at = static_cast<std::size_t>(g->labels.first_of[lab]);
             g->chain_of[lab] >= 0 && at < g->labels.end_of(lab); at++) {
            flow->next_at.push_back(static_cast<int>(flow->next.size()));
            out.clear();
            chain_successors(*g, lab, at, &out);
            flow->next.insert(flow->next.end(), out.begin(), out.end());
        }
    flow->next_at.push_back(static_cast<int>(flow->next.size()));
    reach(flow, g->end);
}
