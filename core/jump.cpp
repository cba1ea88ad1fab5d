/*
 * jump.cpp - labels and jumps. A jump only sets a search counter; the token
 * stream's filter then drops tokens until the wanted definition passes. The
 * label index lets a search skip the items in between in one step.
 */
#include "quill.h"

#include <algorithm>
#include <cstring>
#include <vector>

int8_t label[NLABELS];   // pending search count per label A..Z
int32_t top;             // an above waits for the end of its statement

// Asked for every token: look at all 26 counters in four loads.
int skip(void)
{
    static_assert(NLABELS == 26, "8 + 8 + 8 + 2 bytes");
    uint64_t a, b, c;
    uint16_t d;
    std::memcpy(&a, label, 8);
    std::memcpy(&b, label + 8, 8);
    std::memcpy(&c, label + 16, 8);
    std::memcpy(&d, label + 24, 2);
    return (a | b | c | d) != 0;
}

// Only the low 8 bits of a count are kept, read back as signed.
int32_t jump_set_count(int lab, int32_t count)
{
    label[lab] = static_cast<int8_t>(static_cast<uint8_t>(count & 0xff));
    return label[lab];
}

int32_t jump_if(int32_t cond, int lab)
{
    if (cond)
        label[lab] = 1;
    if (quilldebug)
        trace_rule(19, cond, lab);
    record(19, lab);
    return cond;
}

int32_t jump_if_count(int32_t cond, int32_t count, int lab)
{
    if (cond)
        jump_set_count(lab, count);
    if (quilldebug)
        trace_rule(20, cond, count, lab);
    record(20, lab);
    return cond;
}

int32_t jump_below(int lab)
{
    label[lab] = 1;
    if (quilldebug)
        trace_rule(21, lab);
    record(21, lab);
    return lab;
}

int32_t jump_below_count(int32_t count, int lab)
{
    int32_t r = jump_set_count(lab, count);
    if (quilldebug)
        trace_rule(22, count, lab);
    record(22, lab);
    return r;
}

int32_t jump_above(int lab)
{
    label[lab] = 1;
    top = 1;
    if (quilldebug)
        trace_rule(23, lab);
    record(23, lab);
    return lab;
}

int32_t jump_above_count(int32_t count, int lab)
{
    int32_t r = jump_set_count(lab, count);
    top = 1;
    if (quilldebug)
        trace_rule(24, count, lab);
    record(24, lab);
    return r;
}

void jump_define(int lab)
{
    label[lab] = label[lab] > 0 ? static_cast<int8_t>(label[lab] - 1) : 0;
    if (quilldebug)
        trace_rule(6, lab);
    record(6, lab);
}

void jump_reference(int lab)
{
    if (quilldebug)
        trace_rule(7, 0, lab);   // list carries no value: shown as 0
    record(7, lab);
}

// Runs inside the statement's own reduction, before the token after ';' is read.
void jump_statement_end(void)
{
    if (!top)
        return;
    tokens_rewind();
    top = 0;
    if (quilldebug)
        trace_top();
}

/* The label index. A search lets only labels, ';', ':' and the end through,
   and the parser, standing at the start of an item, reads them as items:
   ';', "X;" or "X:". Only a definition of the label searched for changes
   anything (its count), so the items up to the n-th definition can be
   skipped at once, provided they are all whole: the index keeps every
   definition and every filtered token at which an item breaks (a syntax
   error the parser must report), both in stream order. */
namespace {

struct Definition {
    uint32_t pos;   // its ':' token
    int32_t line;   // line_no once that token is read
};

std::vector<Definition> definitions[NLABELS];
std::vector<uint32_t> broken;   // a ':' not after a label, a label not before ';' or ':'
int last_code;                  // the filtered token before, 0 for none
uint32_t last_pos;
int last_label;

// Where a search of one count from one place landed: it lands there again.
struct Landing {
    uint32_t from = UINT32_MAX;
    int8_t count;
    uint32_t pos;
    int32_t line;
};
Landing landings[NLABELS];

constexpr int NO_SEARCH = -1, SEVERAL = -2;

// The one label searched for: asked at every item start, so the counters
// are read as four words.
int only_search(void)
{
    constexpr uint64_t LOW7 = 0x7f7f7f7f7f7f7f7full, HIGH = 0x8080808080808080ull;
    uint64_t w[4] = {0, 0, 0, 0};
    std::memcpy(w, label, NLABELS);
    int word = NO_SEARCH;
    for (int i = 0; i < 4; i++) {
        if (!w[i])
            continue;
        uint64_t nonzero = (((w[i] & LOW7) + LOW7) | w[i]) & HIGH;   // a bit per non-zero byte
        if (word != NO_SEARCH || (nonzero & (nonzero - 1)))
            return SEVERAL;
        word = i;
    }
    if (word == NO_SEARCH)
        return NO_SEARCH;
    int j = word * 8;
    while (!label[j])
        j++;
    return j;
}

// The n-th definition of lab from pos, if the items up to it are whole.
bool find_landing(uint32_t pos, int lab, Landing *out)
{
    int n = label[lab] > 0 ? label[lab] : 1;   // a negative count ends at the next one
    const auto &defs = definitions[lab];
    auto first = std::lower_bound(defs.begin(), defs.end(), pos,
                                  [](const Definition &d, uint32_t p) { return d.pos < p; });
    if (defs.end() - first < n)
        return false;   // not scanned yet: the parser goes on token by token
    const Definition &target = first[n - 1];
    auto bad = std::lower_bound(broken.begin(), broken.end(), pos);
    if (bad != broken.end() && *bad < target.pos)
        return false;   // the parser must meet that error
    *out = Landing{pos, label[lab], target.pos + 1, target.line};
    return true;
}

}  // namespace

void jump_index_add(uint32_t pos, int code, int32_t value, int32_t line)
{
    if (code == COL) {
        if (last_code == LABEL)
            definitions[last_label].push_back({pos, line});
        else
            broken.push_back(pos);
    } else if (last_code == LABEL && code != NL) {
        broken.push_back(last_pos);   // a label, then a label or the end
    }
    last_code = code;
    last_pos = pos;
    last_label = code == LABEL ? value : -1;
}

int jump_index_step(uint32_t pos)
{
    if (!skip())
        return 0;
    int lab = only_search();
    return lab == SEVERAL ? -1 : jump_index_land(pos, lab);
}

int jump_index_land(uint32_t pos, int lab)
{
    Landing &l = landings[lab];
    if ((l.from != pos || l.count != label[lab]) && !find_landing(pos, lab, &l))
        return -1;
    label[lab] = 0;   // what the definition's own rule would leave
    tokens_seek(l.pos, l.line);
    return 1;
}

void jump_index_reset(void)
{
    for (auto &d : definitions)
        d.clear();
    broken.clear();
    for (auto &l : landings)
        l = Landing();
    last_code = 0;
}
