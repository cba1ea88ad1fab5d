/*
 * values.cpp - what the variables may hold where they are read, over every
 * path a run can take: each straight run of the flow graph walked
 * (walk.cpp) from what every way into it may bring, until nothing changes;
 * then walked once more to report.
 */
#include "values.h"

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
