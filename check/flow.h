/*
 * flow.h - what the files of the flow share: the labels and jumps as a
 * search sees them (labels.cpp), the graph of what can follow each item
 * (graph.cpp), and the findings drawn from both (flow.cpp). Nothing else
 * sees it.
 */
#ifndef FLOW_H
#define FLOW_H

#include <algorithm>
#include <span>

#include "check.h"

struct Jump {
    int item;
    int node;
    Rule rule;
    int8_t lab;
    bool known;      // the count is a literal
    bool conditional;
    int16_t count;   // then as the label counter keeps it: 0 no search, else how many

    bool above() const { return rule == R_ABOVE || rule == R_ABOVE_COUNT; }
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

    // The definitions a search for j from token from can stop at, as
    // stops[*first .. *last): the n-th, or any for a count not known, up to
    // where a search breaks. True when it may find none (too few, or a
    // broken item before it).
    bool search(const Jump &j, int from, std::size_t *first, std::size_t *last) const;
};

// Where searches land: runs of stops, from and past the end.
using Landed = std::vector<std::pair<std::size_t, std::size_t>>;

/* ---- labels.cpp ---- */
// The definitions into flow's defs and stops; the tokens that break a search.
Labels labels_view(const Script &s, Flow *flow);
bool labels_in(const Script &s, const Item &item);   // only a statement with a label can jump
// The jumps of item's tree from root, in the order they run: kids first,
// left to right.
void labels_jumps(const Script &s, int item, int root, std::vector<Jump> *out);
// A jump and the definitions its search can stop at, those added to landed
// (if not null).
JumpSite labels_site(const Script &s, const Labels &labels, const Jump &j, Landed *landed);

/* ---- graph.cpp ---- */
struct Graph {
    const Script &s;
    Labels labels;
    std::vector<Jump> jumps;                // item by item
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
};
// The graph's nodes and edges into flow (its jumps too, where each lands
// added to landed), and which nodes a run can reach.
void graph_build(Graph *g, Flow *flow, Landed *landed);

#endif
