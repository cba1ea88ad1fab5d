/*
 * reparse.cpp - a script parsed again after an edit. The parse starts
 * again from an item before the edit and stops where the edited text has
 * an item start that the old text had too (inside a run of empty items
 * too): what follows is the old parse, moved along, as the scanner and the
 * parser both start afresh at an item. The new script takes over the old
 * one's text and arrays; the old parse from the restart on is handed over
 * chunk by chunk, each freed once read, so an edit never takes twice the
 * room of a script.
 */
#include "parse.h"

#include <algorithm>
#include <cstring>

namespace {

// After an edit: the old parse from the restart on, taken from the old
// script (its arrays' tails, indices kept), and where the two parses meet.
struct Old {
    const Script *script = nullptr;   // its lines and shifts
    int first_tok = 0;                // old tokens before it are the new script's
    std::size_t first_item = 0;
    Chunks<Tok> toks;
    Chunks<Item> items;
    Chunks<Node> nodes;
    std::vector<Finding> findings;    // its syntax findings from the restart on
    uint64_t edit_end = 0;     // the edit's end in the new text
    int64_t shift = 0;         // new offset less old, past the edit
    int met_tok = -1;          // the old token where the parses meet, once they do
    std::size_t met_item = 0;  // the old item that holds it

    const Tok &tok(const Script &now, int k) const
    {
        return k < first_tok ? now.toks[static_cast<std::size_t>(k)] : toks[static_cast<std::size_t>(k)];
    }
    // quill's line at old token k
    int quill_line(const Script &now, int k) const
    {
        auto line = std::upper_bound(script->lines.begin(), script->lines.end(), tok(now, k).start) -
                    script->lines.begin();
        return static_cast<int32_t>(static_cast<int64_t>(line) - check_line_shift(script->shifts, k));
    }
} old;


// Whether token k starts an item of a run (after a ';' or ':' in it).
bool starts_in_run(const Script &s, const Item &run, int k)
{
    int before = k > run.first ? s.toks[static_cast<std::size_t>(k - 1)].code : 0;
    return run.kind == ItemKind::EMPTY && k > run.first && k <= run.last && (before == NL || before == COL);
}

// At an item start past the edit, where the old text had an item start too
// (one of a run included).
bool meets_old(const Script &s, int tok)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    if (!old.script || t.start < old.edit_end)
        return false;
    uint64_t at = static_cast<uint64_t>(static_cast<int64_t>(t.start) - old.shift);
    auto first = old.items.iter(old.first_item);
    auto it = std::upper_bound(first, old.items.end(), at, [&](uint64_t off, const Item &i) {
        return off < old.tok(s, i.first).start;
    });
    if (it == first)
        return false;
    const Item &item = *--it;
    int k = item.first;
    if (old.tok(s, k).start != at) {   // inside a run: one of its items may start there
        int lo = std::max(k, old.first_tok), hi = item.last + 1;
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            (old.toks[static_cast<std::size_t>(mid)].start < at ? lo = mid + 1 : hi = mid);
        }
        k = lo;
        int before = k > item.first ? old.tok(s, k - 1).code : 0;
        if (k > item.last || old.toks[static_cast<std::size_t>(k)].start != at ||
            item.kind != ItemKind::EMPTY || (before != NL && before != COL))
            return false;
    }
    old.met_tok = k;
    old.met_item = static_cast<std::size_t>(it - old.items.iter(0));
    return true;
}


// The old parse from the meeting point on, moved to where the new one ends.
void join_old(Script &s)
{
    if (old.met_tok < 0)
        return;
    const Script &was = *old.script;
    // quill's lines and the text's past the meeting move by their own amounts
    int64_t lines = check_quill_line(s, items_cursor) - old.quill_line(s, old.met_tok);
    int64_t less = check_line_shift(s.shifts, items_cursor), moved = less - check_line_shift(was.shifts, old.met_tok);
    int tok_shift = items_cursor - old.met_tok;
    uint64_t met_at = old.tok(s, old.met_tok).start;
    const Item met_item = old.items[old.met_item];
    s.toks.resize(static_cast<std::size_t>(items_cursor));
    while (!s.shifts.empty() && s.shifts.back().tok >= items_cursor)
        s.shifts.pop_back();
    if (check_line_shift(s.shifts, items_cursor) != less)
        s.shifts.push_back(LineShift{items_cursor, less});
    for (const LineShift &l : was.shifts)
        if (l.tok > old.met_tok)
            s.shifts.push_back(LineShift{l.tok + tok_shift, l.less + moved});
    // the old arrays' chunks are freed as they are read, so the two parses
    // never take twice the room
    for (std::size_t i = static_cast<std::size_t>(old.met_tok); i < old.toks.size(); i++) {
        Tok t = old.toks[i];
        t.start = static_cast<uint32_t>(static_cast<int64_t>(t.start) + old.shift);
        s.toks.push_back(t);
        old.toks.drop_before(i);
    }
    int node_from = met_item.first_node;
    int node_shift = static_cast<int>(s.nodes.size()) - node_from;
    for (std::size_t k = old.met_item; k < old.items.size(); k++) {
        Item i = old.items[k];
        i.first = std::max(i.first, old.met_tok) + tok_shift;   // the rest of a run met inside
        i.last += tok_shift;
        i.first_node += node_shift;
        if (i.kind == ItemKind::STATEMENT)
            i.root += node_shift;
        items_add(s, i);
        old.items.drop_before(k);
    }
    for (std::size_t n = static_cast<std::size_t>(node_from); n < old.nodes.size(); n++) {
        Node x = old.nodes[n];
        x.kid = x.kid < 0 ? x.kid : x.kid + node_shift;
        x.first += tok_shift;
        x.last += tok_shift;
        s.nodes.push_back(x);
        old.nodes.drop_before(n);
    }
    std::size_t found_again = s.findings.size();
    bool met_broken = met_item.kind == ItemKind::BROKEN;
    for (const Finding &f : old.findings) {
        if (f.start < met_at)
            continue;
        Finding g = f;
        g.start = static_cast<uint64_t>(static_cast<int64_t>(f.start) + old.shift);
        g.stop = static_cast<uint64_t>(static_cast<int64_t>(f.stop) + old.shift);
        // a syntax error at the very token where the parses meet belongs to the
        // item before, unless the item there is the error's own: the new parse
        // has said what there is to say about it
        if (f.start == met_at && (!met_broken || std::any_of(
                s.findings.begin(), s.findings.begin() + static_cast<long>(found_again),
                [&](const Finding &h) { return h.code == g.code && h.start == g.start; })))
            continue;
        g.at = check_place(s, g.start, static_cast<int32_t>(f.at.quill_line + lines));
        g.end = check_place(s, g.stop, static_cast<int32_t>(f.end.quill_line + lines));
        if (g.code == Code::SYNTAX && g.message != CHECK_NO_LAST_SEMICOLON) {
            // its hint reads the tokens and the text around it, which the edit may
            // change; it ends at the token where the parse stopped
            auto at = std::lower_bound(s.toks.begin(), s.toks.end(), g.stop,
                                       [](const Tok &t, uint64_t o) { return t.start < o; });
            g.message = check_syntax_hint(s, static_cast<int>(at - s.toks.begin()) - 1).message;
        }
        s.findings.push_back(g);
    }
}


// A quote the scanner found no end for: the whole rest decided that.
bool opens_quote(const Script &s, const Item &item)
{
    for (int t = item.first; t <= item.last; t++) {
        int code = s.toks[static_cast<std::size_t>(t)].code;
        if (code == '"' || code == '\'')
            return true;
    }
    return false;
}

// In a run, the last of its items that starts at or before offset at: its first token.
int last_start_in_run(const Script &s, const Item &run, uint64_t at)
{
    if (run.kind != ItemKind::EMPTY)
        return run.first;
    auto past = std::upper_bound(s.toks.begin() + run.first, s.toks.begin() + run.last + 1, at,
                                 [](uint64_t off, const Tok &t) { return off < t.start; });
    for (int k = static_cast<int>(past - s.toks.begin()) - 1; k > run.first; k--)
        if (starts_in_run(s, run, k))
            return k;
    return run.first;
}

// No byte-order mark, CR or Ctrl-Z: the scanner reads the text as it is.
bool as_scanned(const std::string &t)
{
    return t.compare(0, 3, "\xEF\xBB\xBF") != 0 && !std::memchr(t.data(), '\r', t.size()) &&
           !std::memchr(t.data(), '\x1a', t.size());
}

}  // namespace

void check_reparse(Script &s, Script &was, uint64_t at, uint64_t removed, const std::string &added)
{
    // only where the text as scanned is the text itself do offsets carry over
    bool plain = as_scanned(was.text);
    s.text = std::move(was.text);   // was is spent: its text and arrays become the new one's
    s.text.replace(at, removed, added);
    plain = plain && as_scanned(s.text);   // an edit may join CR and LF, or make a mark
    if (!plain || was.items.empty() || s.text.size() > CHECK_MAX_TEXT)
        return check_parse(s);
    s.scanned = std::move(was.scanned);
    s.scanned.replace(at, removed, added);
    s.byte_order_mark = false;
    scan_lines(s);
    // an item ended by ';' or ':' before the edit: the parse starts afresh after it
    std::size_t r = std::upper_bound(was.items.begin(), was.items.end(), at,
                                     [&](uint64_t off, const Item &i) {
                                         return off < was.toks[static_cast<std::size_t>(i.first)].start;
                                     }) - was.items.begin();
    r = r > 0 ? r - 1 : 0;
    // a quote left open before it may find its closing quote in the edit
    for (std::size_t i = 0; i < was.items.size() && i < r; i++)
        if (was.items[i].kind == ItemKind::BROKEN && opens_quote(was, was.items[i])) {
            r = i;
            break;
        }
    // (a syntax error's item does not count: where the parse went on after it
    // depends on what came before)
    auto whole = [&](std::size_t i) {
        int code = was.toks[static_cast<std::size_t>(was.items[i].last)].code;
        return was.items[i].kind != ItemKind::BROKEN && (code == NL || code == COL);
    };
    std::size_t held = r;   // the item that holds the edit
    while (r > 0 && !whole(r - 1))
        r--;
    int first = r < was.items.size() ? was.items[r].first : 0;
    if (r == held && r < was.items.size())
        first = last_start_in_run(was, was.items[r], at);
    // from the very start when the edit may lie before the first item's token
    uint64_t from = r == 0 && first == was.items[0].first ? 0 : was.toks[static_cast<std::size_t>(first)].start;
    if (s.scanned.compare(from, 3, "\xEF\xBB\xBF") == 0)
        return check_parse(s);   // the scanner would skip it as a first line's mark
    old = Old();
    old.script = &was;
    old.first_tok = first;
    old.first_item = r;
    old.edit_end = at + added.size();
    old.shift = static_cast<int64_t>(added.size()) - static_cast<int64_t>(removed);
    int node_from = r < was.items.size() ? was.items[r].first_node : static_cast<int>(was.nodes.size());
    Item held_item = r < was.items.size() ? was.items[r] : Item{};
    // the new script keeps what comes before the restart; the rest is the old parse's
    s.toks = std::move(was.toks);
    old.toks = s.toks.split(static_cast<std::size_t>(first));
    s.items = std::move(was.items);
    old.items = s.items.split(r);
    s.nodes = std::move(was.nodes);
    old.nodes = s.nodes.split(static_cast<std::size_t>(node_from));
    s.shifts.assign(was.shifts.begin(),
                    std::lower_bound(was.shifts.begin(), was.shifts.end(), first,
                                     [](const LineShift &l, int t) { return l.tok < t; }));
    if (r < old.items.size() && first > held_item.first)   // the part of a run before the edit
        s.items.push_back(Item{ItemKind::EMPTY, held_item.first, first - 1, -1, node_from});
    s.findings.clear();
    for (const Finding &f : was.findings)   // the parse's own (syntax, bytes); the rest comes again
        if (check_code(f.code).stage == Stage::PARSE)
            (f.start < from ? s.findings : old.findings).push_back(f);
    int parsed = parse_from(s, from, from == 0 ? 0 : old.quill_line(s, first) - 1, meets_old);
    if (parsed > 0)
        join_old(s);
    old = Old();
    if (parsed < 0) {   // the text could not be read from there: all of it, then
        s.toks.clear();
        s.items.clear();
        s.nodes.clear();
        s.findings.clear();
        check_parse(s);
    }
}
