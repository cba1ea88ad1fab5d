/*
 * flow.cpp - labels and jumps as quill carries them out (labels.cpp), what
 * can follow each item (graph.cpp), and what they get wrong: a search that
 * finds no definition or too few, a second label that breaks searches, a
 * jump inside brackets, `X;` for `X:`, statements no run reaches, and
 * definitions no search lands on.
 */
#include "flow.h"

namespace {

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
        int from = j.above() ? 0 : tok + 1;
        int have = static_cast<int>(g.labels.end_of(j.lab) - g.labels.first_from(j.lab, from));
        std::string where = j.above() ? " in the script" : " after this jump";
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

}  // namespace

Flow check_flow(Script &s)
{
    Flow flow;
    Graph g{s, labels_view(s, &flow), {}, static_cast<int>(s.items.size()), {}};
    for (std::size_t i = 0; i < s.items.size(); i++)
        if (s.items[i].kind == ItemKind::STATEMENT && labels_in(s, s.items[i])) {
            labels_jumps(s, static_cast<int>(i), s.items[i].root, &g.jumps);
            jumps_in_brackets(s, s.items[i].root);
        }
    Landed landed;
    graph_build(&g, &flow, &landed);
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
