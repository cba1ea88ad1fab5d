/*
 * layout.cpp - a hot loop's ops in the order they run, where no machine code
 * is made of it. Each op names the op after it, so the replay's step from
 * one to the next waits on a load from the one before; a copy of the loop
 * laid out as it runs marks each op whose next is the one after (FALLS),
 * and the replay steps there without that load. Only a taken branch, the
 * loop's way back and a way out load their target.
 */
#include "quill.h"

#include "compiled.h"
#include "native.h"

#include <unordered_map>

namespace {
// Copies whose way led to an EXIT or JEXIT when they were made: once the
// ops find that way for the op copied, the copy takes it too. By the
// original's offset: the copy's, and whether the way is its alt.
std::unordered_multimap<uint32_t, std::pair<uint32_t, bool>> unknown;

bool unknown_way(uint32_t way)
{
    uint8_t c = op_at(way)->code;
    return c == EXIT || c == JEXIT;
}
// Past items with nothing to do whose way on is known, as the replay's
// threading passes them.
uint32_t past_nothing(uint32_t way)
{
    for (int hops = 0; hops < 16; hops++) {
        const Op &op = *op_at(way);
        if (op.code != NOTHING || unknown_way(op.next))
            break;
        way = op.next;
    }
    return way;
}

// An add of a step to a variable and the fused branch after it that compares
// the variable, as one STEP op: false where they are no counted loop's.
bool stepped(const Op &add, const Op &branch, Op &step)
{
    uint8_t plain = compiled_plain(add.code);
    if (add.a != add.d || branch.a != add.d || branch.code < IF_LT_RR_A || branch.code > IF_NE_RK_A)
        return false;
    bool by_reg = plain == ADD_RR;
    int64_t k = plain == ADD_RK ? add.k : plain == SUB_RK ? -int64_t(add.k) : 0;
    if ((!by_reg && plain != ADD_RK && plain != SUB_RK) || k < INT8_MIN || k > INT8_MAX)
        return false;
    static constexpr int COMPARES[] = {OPLT, OPLE, OPGT, OPGE, OPEQ, OPNE};   // as the branches pair
    int form = branch.code - IF_LT_RR_A;
    bool bound_k = form % 2;
    step = add;
    step.code = by_reg ? (bound_k ? STEP_RK : STEP_RR) : (bound_k ? STEP_KK : STEP_KR);
    step.b = by_reg ? add.b : static_cast<uint8_t>(k);
    step.a = bound_k ? 0 : branch.b;
    step.k = bound_k ? branch.k : 0;
    step.oper = static_cast<uint8_t>(COMPARES[form / 2] - 256);
    step.next = branch.next;
    step.out.alt = branch.out.alt;
    return true;
}
}  // namespace

void compiled_linked(uint32_t original, bool alt, uint32_t way)
{
    auto [first, last] = unknown.equal_range(original);
    for (auto it = first; it != last;) {
        if (it->second.second != alt) {
            ++it;
            continue;
        }
        Op *copy = op_at(it->second.first);
        (alt ? copy->out.alt : copy->next) = way;
        it = unknown.erase(it);
    }
}

void compiled_layout_reset(void)
{
    unknown.clear();
}

uint32_t compiled_layout(uint32_t back)
{
    constexpr uint32_t SIZE = sizeof(Op);
    uint32_t head = past_nothing(op_at(back)->next);
    std::vector<uint32_t> ops = compiled_reach(head);
    if (ops.empty() || !record_affordable(ops.size()) ||
        uint64_t(compiled_code.size + ops.size()) * SIZE > UINT32_MAX)
        return head;
    std::unordered_map<uint32_t, uint32_t> place;   // an op's place in the copy
    place.reserve(ops.size());
    for (uint32_t at : ops)
        place.emplace(at, UINT32_MAX);
    // chains along next, each from where a branch's other way leads
    std::vector<uint32_t> order, pending{head};
    order.reserve(ops.size());
    while (!pending.empty()) {
        uint32_t at = pending.back();
        pending.pop_back();
        for (auto it = place.find(at); it != place.end() && it->second == UINT32_MAX; it = place.find(at)) {
            it->second = static_cast<uint32_t>(order.size());
            order.push_back(at);
            const Op &op = *op_at(at);
            if (compiled_is_branch(op.code))
                pending.push_back(past_nothing(op.out.alt));
            at = past_nothing(op.next);
        }
    }
    for (auto it = place.begin(); it != place.end();)   // passed over: not copied
        it = it->second == UINT32_MAX ? place.erase(it) : std::next(it);
    uint32_t base = compiled_code.size;
    auto moved = [&](uint32_t way) {
        auto it = place.find(way);
        return it == place.end() ? way : (base + it->second) * SIZE;
    };
    // a way to an EXIT or JEXIT is not known yet; the copy's own are
    auto unknown_at = [&](uint32_t way) { return way < base * SIZE && unknown_way(way); };
    std::vector<Op> copy;
    copy.reserve(order.size());
    for (uint32_t i = 0; i < order.size(); i++) {
        Op op = *op_at(order[i]);
        bool branch = compiled_is_branch(op.code);
        if (branch || op.code == ABOVE)
            op.d = NATIVE_OFF;   // its loop is laid out: its passes are counted no more
        uint32_t copied = (base + i) * SIZE;
        op.next = moved(past_nothing(op.next));
        if (unknown_at(op.next))
            unknown.emplace(order[i], std::make_pair(copied, false));
        if (branch) {
            op.out.alt = moved(past_nothing(op.out.alt));
            if (unknown_at(op.out.alt))
                unknown.emplace(order[i], std::make_pair(copied, true));
        }
        copy.push_back(op);
    }
    // a branch before the loop's closing above goes on to the head itself,
    // as the replay fuses them (a loop laid out at its first pass is not yet)
    for (Op &op : copy) {
        if (!compiled_is_branch(op.code) || op.code >= IF_NZ_A || op.next < base * SIZE)
            continue;
        const Op &above = copy[op.next / SIZE - base];
        if (above.code == ABOVE && !unknown_at(above.next)) {
            op.code = static_cast<uint8_t>(op.code - IF_NZ + IF_NZ_A);
            op.next = above.next;
        }
    }
    // then a step before such a branch takes it in too; the branch's copy
    // stays for what else leads there
    for (uint32_t i = 0; i < copy.size(); i++) {
        if (copy[i].next < base * SIZE)
            continue;
        uint32_t at = copy[i].next / SIZE - base;
        Op step;
        if (!stepped(copy[i], copy[at], step))
            continue;
        copy[i] = step;
        if (unknown_at(copy[i].out.alt))
            unknown.emplace(order[at], std::make_pair((base + i) * SIZE, true));
    }
    for (uint32_t i = 0; i < copy.size(); i++)
        if (copy[i].next == (base + i + 1) * SIZE)
            copy[i].code |= FALLS;
    if (!compiled_append(compiled_code, copy.data(), static_cast<uint32_t>(copy.size()))) {
        for (uint32_t at : order)
            unknown.erase(at);   // no copy after all
        return head;
    }
    uint32_t laid = moved(head);
    op_at(back)->next = laid;   // the way back now leads into the copy
    return laid;
}
