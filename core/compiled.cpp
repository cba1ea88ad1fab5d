/*
 * compiled.cpp - the ops and records of recorded items, and their listing
 * (QUILL_LIST, the unit tests): one line an op, its fields by name.
 */
#include "compiled.h"

#include <cstring>
#include <unordered_set>

Grown<Op> compiled_code;
Grown<Record> compiled_records;

// The multiplier and shift for k, as Hacker's Delight (10-1) finds them.
void compiled_divisor(Op &op)
{
    int32_t d = op.k;
    if (d == -1 || d == 0 || d == 1)
        return;
    const uint32_t two31 = 0x80000000u;
    uint32_t ad = d < 0 ? 0u - static_cast<uint32_t>(d) : static_cast<uint32_t>(d);
    uint32_t t = two31 + (static_cast<uint32_t>(d) >> 31);
    uint32_t anc = t - 1 - t % ad;
    int p = 31;
    uint32_t q1 = two31 / anc, r1 = two31 - q1 * anc;
    uint32_t q2 = two31 / ad, r2 = two31 - q2 * ad, delta;
    do {
        p++;
        q1 *= 2;
        r1 *= 2;
        if (r1 >= anc) {
            q1++;
            r1 -= anc;
        }
        q2 *= 2;
        r2 *= 2;
        if (r2 >= ad) {
            q2++;
            r2 -= ad;
        }
        delta = ad - r2;
    } while (q1 < delta || (q1 == delta && r1 == 0));
    int32_t m = static_cast<int32_t>(d < 0 ? 0u - (q2 + 1) : q2 + 1);
    op.out.magic = m;
    op.b = static_cast<uint8_t>(p - 32);
    op.oper = d > 0 && m < 0 ? 1 : d < 0 && m > 0 ? 2 : 0;
}

std::vector<uint32_t> compiled_reach(uint32_t head)
{
    constexpr std::size_t MOST = 2000;
    std::vector<uint32_t> found, todo{head};
    std::unordered_set<uint32_t> seen{head};
    while (!todo.empty() && found.size() < MOST) {
        uint32_t at = todo.back();
        todo.pop_back();
        const Op &op = *op_at(at);
        uint8_t c = op.code;
        if (c == EXIT || c == JEXIT || c == JCOUNT || c == JCOUNT_E || c == CHECK || c == STORE_W ||
            c == STORE_W_E || (c & FALLS) || (c >= STEP_RR && c <= STEP_KK))
            continue;
        found.push_back(at);
        auto go = [&](uint32_t way) {
            if (seen.insert(way).second)
                todo.push_back(way);
        };
        go(op.next);
        if (compiled_is_branch(c))
            go(op.out.alt);
    }
    return found;
}

void compiled_reset(void)
{
    compiled_code.size = 0;
    compiled_records.size = 0;
}

namespace {

constexpr uint32_t SIZE = sizeof(Op);

// The record an op lies in: records hold their ops in the order they were made.
uint32_t record_of(uint32_t offset)
{
    uint32_t lo = 0, hi = compiled_records.size;
    while (hi - lo > 1) {
        uint32_t mid = lo + (hi - lo) / 2;
        (compiled_records.data[mid].first <= offset ? lo : hi) = mid;
    }
    return lo;
}

const char *operator_text(uint8_t oper)
{
    switch (oper + 256) {
    case OPADD: return "+";
    case OPSUB: return "-";
    case OPMUL: return "*";
    case OPDIV: return "/";
    case OPMOD: return "%";
    case OPAND: return "&&";
    case OPOR:  return "||";
    case OPGT:  return ">";
    case OPLT:  return "<";
    case OPGE:  return ">=";
    case OPLE:  return "<=";
    case OPEQ:  return "==";
    default:    return "!=";
    }
}

// A register by name: a variable's letter, or t and a temporary's number.
void put_register(char *buf, std::size_t size, uint8_t r)
{
    if (r >= REG_VAR)
        std::snprintf(buf, size, "%c", 'a' + (r - REG_VAR));
    else
        std::snprintf(buf, size, "t%d", r);
}

void put_way(char *buf, std::size_t size, uint32_t offset)
{
    uint32_t rec = record_of(offset);
    std::snprintf(buf, size, "%u.%u", rec, (offset - compiled_records.data[rec].first) / SIZE);
}

// Field f of op, as its value reads.
void put_field(char *buf, std::size_t size, const Op &op, const char *f, std::size_t len)
{
    auto is = [&](const char *name) { return std::strlen(name) == len && !std::memcmp(f, name, len); };
    if (is("d") || is("a") || is("b"))
        put_register(buf, size, is("d") ? op.d : is("a") ? op.a : op.b);
    else if (is("step"))
        std::snprintf(buf, size, "%d", static_cast<int8_t>(op.b));
    else if (is("k"))
        std::snprintf(buf, size, "%d", op.k);
    else if (is("oper"))
        std::snprintf(buf, size, "%s", operator_text(op.oper));
    else if (is("lab"))
        std::snprintf(buf, size, "%c", 'A' + op.lab);
    else if (is("rule"))
        std::snprintf(buf, size, "%d", op.rule);
    else if (is("alt"))
        put_way(buf, size, op.out.alt);
    else
        std::snprintf(buf, size, "%u", op.out.rec);
}

}  // namespace

int compiled_op_text(const Op &op, char *buf, std::size_t size)
{
    const OpInfo &info = OP_INFO[op.code & ~FALLS];   // a laid-out copy lists as its op
    std::size_t used = 0;
    auto add = [&](const char *text) {
        int n = std::snprintf(buf + (used < size ? used : size), used < size ? size - used : 0,
                              "%s", text);
        used += static_cast<std::size_t>(n);
    };
    add(info.name);
    for (const char *f = info.fields; *f;) {
        std::size_t len = std::strcspn(f, " ");
        char value[32];
        put_field(value, sizeof value, op, f, len);
        add(" ");
        char name[8];
        std::snprintf(name, sizeof name, "%.*s=", static_cast<int>(len), f);
        add(name);
        add(value);
        f += len + (f[len] == ' ');
    }
    bool leaves = op.code == EXIT || op.code == JEXIT;
    uint32_t self = static_cast<uint32_t>(reinterpret_cast<const char *>(&op) -
                                          reinterpret_cast<const char *>(compiled_code.data));
    if (!leaves && op.next != self + SIZE) {   // a way other than the op after it
        char way[32];
        put_way(way, sizeof way, op.next);
        add(" next=");
        add(way);
    }
    char line[24];
    std::snprintf(line, sizeof line, " line %d", op.line);
    add(line);
    return static_cast<int>(used);
}

void compiled_list(FILE *out, uint32_t rec)
{
    uint32_t first = compiled_records.data[rec].first;
    uint32_t end = rec + 1 < compiled_records.size ? compiled_records.data[rec + 1].first
                                                   : compiled_code.size * SIZE;
    for (uint32_t at = first; at < end; at += SIZE) {
        char text[160];
        compiled_op_text(*op_at(at), text, sizeof text);
        std::fprintf(out, "%u.%u  %s\n", rec, (at - first) / SIZE, text);
    }
}
