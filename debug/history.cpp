/*
 * history.cpp - the debugged run's history, in chunks of records.
 */
#include "history.h"

#include "quill.h"

#include <cstring>
#include <vector>

namespace {

constexpr std::size_t CHUNK = std::size_t(1) << 20;
// A record without pool writes: pos and line, the end of the writes, ev,
// poolnum and top, then at most every variable and every counter.
constexpr std::size_t FIXED = 8 + 8 + 12 + 1 + 5 * NVARS + 1 + 2 * NLABELS;

struct Chunk {
    std::vector<uint8_t> bytes;     // sized once: records are copied in
    std::size_t used = 0;
    std::vector<uint32_t> starts;   // of its records, in order
};

std::vector<Chunk> chunks;          // oldest first (a few dozen at most)
std::vector<uint8_t> spare;         // the oldest chunk's bytes, to be filled again
std::size_t limit, kept;            // bytes allowed, bytes the chunks hold
bool on;
uint64_t undone;                    // records undone: the run is that far in the past
uint64_t made;                      // records made, those forgotten for the limit too

// The record being made: its item, the values at its start, its pool writes.
bool opened;
uint32_t open_pos;
int32_t open_line;
std::vector<uint8_t> open_pool;     // (offset, n, the n bytes before) for each write
int32_t start_var[NVARS], start_ev, start_poolnum, start_top;
int8_t start_label[NLABELS];

template <typename T> uint8_t *put(uint8_t *d, T v)
{
    std::memcpy(d, &v, sizeof v);
    return d + sizeof v;
}

template <typename T> T get(const uint8_t *&p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return v;
}

void snapshot(void)
{
    std::memcpy(start_var, var, sizeof start_var);
    std::memcpy(start_label, label, sizeof start_label);
    start_ev = ev;
    start_poolnum = poolnum;
    start_top = top;
}

void forget_all(void)
{
    chunks.clear();
    kept = 0;
}

// A chunk with room for n more bytes, the oldest dropped past the limit.
Chunk *room(std::size_t n)
{
    if (!chunks.empty() && chunks.back().used + n <= chunks.back().bytes.size())
        return &chunks.back();
    std::size_t size = std::max(CHUNK, n);
    if (size > limit) {   // larger than all the history may be
        forget_all();
        return nullptr;
    }
    while (!chunks.empty() && kept + size > limit) {
        kept -= chunks.front().bytes.size();
        if (chunks.front().bytes.size() == CHUNK)
            spare = std::move(chunks.front().bytes);   // a full history fills it again
        chunks.erase(chunks.begin());
    }
    chunks.emplace_back();
    if (size == CHUNK && spare.size() == CHUNK)
        chunks.back().bytes = std::move(spare);
    else
        chunks.back().bytes.resize(size);
    kept += size;
    return &chunks.back();
}

/* A record: pos, line, then the pool writes (offset, n, n old bytes),
   ended by a write of n 0; then ev, poolnum, top; the changed variables
   (count, then index and value) and label counters (the same). */
void close_record(void)
{
    if (!opened)
        return;
    opened = false;
    Chunk *c = room(FIXED + open_pool.size());
    if (!c) {
        snapshot();
        return;
    }
    uint8_t *d = c->bytes.data() + c->used;
    d = put(d, open_pos);
    d = put(d, open_line);
    if (!open_pool.empty()) {
        std::memcpy(d, open_pool.data(), open_pool.size());
        d += open_pool.size();
    }
    d = put<uint64_t>(d, 0);
    d = put(d, start_ev);
    d = put(d, start_poolnum);
    d = put(d, start_top);
    // the values the next record starts from are taken on the way
    start_ev = ev;
    start_poolnum = poolnum;
    start_top = top;
    uint8_t *count = d++;
    *count = 0;
    if (std::memcmp(var, start_var, sizeof start_var) != 0)   // most items change one or none
        for (int i = 0; i < NVARS; i++)
            if (var[i] != start_var[i]) {
                *d++ = static_cast<uint8_t>(i);
                d = put(d, start_var[i]);
                start_var[i] = var[i];
                ++*count;
            }
    count = d++;
    *count = 0;
    if (std::memcmp(label, start_label, sizeof start_label) != 0)
        for (int i = 0; i < NLABELS; i++)
            if (label[i] != start_label[i]) {
                *d++ = static_cast<uint8_t>(i);
                d = put(d, start_label[i]);
                start_label[i] = label[i];
                ++*count;
            }
    c->starts.push_back(static_cast<uint32_t>(c->used));
    c->used = static_cast<std::size_t>(d - c->bytes.data());
    made++;
}

// The record k from the newest (0: the newest), or null.
uint8_t *record(uint64_t k, std::size_t *size)
{
    for (auto c = chunks.rbegin(); c != chunks.rend(); ++c) {
        if (k < c->starts.size()) {
            std::size_t i = c->starts.size() - 1 - k;
            std::size_t end = i + 1 < c->starts.size() ? c->starts[i + 1] : c->used;
            *size = end - c->starts[i];
            return c->bytes.data() + c->starts[i];
        }
        k -= c->starts.size();
    }
    return nullptr;
}

void swap_bytes(void *a, void *b, std::size_t n)
{
    uint8_t *x = static_cast<uint8_t *>(a), *y = static_cast<uint8_t *>(b);
    for (std::size_t i = 0; i < n; i++)
        std::swap(x[i], y[i]);
}

template <typename T> void swap_in(uint8_t *stored, T &value)
{
    T v;
    std::memcpy(&v, stored, sizeof v);
    std::memcpy(stored, &value, sizeof v);
    value = v;
}

// Undoes or does again record r: each value it holds is swapped with the
// run's, the pool writes last to first when undoing.
void swap_record(uint8_t *r, bool backward)
{
    const uint8_t *p = r + 8;
    std::vector<uint8_t *> writes;
    for (;;) {
        uint8_t *w = const_cast<uint8_t *>(p);
        uint32_t off = get<uint32_t>(p), n = get<uint32_t>(p);
        if (n == 0)
            break;
        writes.push_back(w);
        p += n;
        (void)off;
    }
    auto swap_write = [](uint8_t *w) {
        uint32_t off, n;
        std::memcpy(&off, w, 4);
        std::memcpy(&n, w + 4, 4);
        swap_bytes(pool + off, w + 8, n);
    };
    if (backward)
        for (auto w = writes.rbegin(); w != writes.rend(); ++w)
            swap_write(*w);
    else
        for (uint8_t *w : writes)
            swap_write(w);
    uint8_t *q = const_cast<uint8_t *>(p);
    swap_in(q, ev);
    swap_in(q + 4, poolnum);
    swap_in(q + 8, top);
    q += 12;
    uint8_t n = *q++;
    for (uint8_t i = 0; i < n; i++, q += 5)
        swap_in(q + 1, var[q[0]]);
    n = *q++;
    for (uint8_t i = 0; i < n; i++, q += 2)
        swap_in(q + 1, label[q[0]]);
}

}  // namespace

void history_start(std::size_t bytes)
{
    limit = bytes;
    on = bytes > 0;
}

bool history_on(void)
{
    return on;
}

void history_item(uint32_t pos, int32_t line)
{
    if (opened)
        close_record();   // which leaves the values where this record starts
    else
        snapshot();
    open_pos = pos;
    open_line = line;
    open_pool.clear();
    opened = true;
}

void history_pool(const char *at, std::size_t n)
{
    if (!opened || at < pool || at >= pool + poolsize)
        return;   // a variable's slot: the variables are compared whole
    if (FIXED + open_pool.size() + 8 + n > limit) {
        opened = false;   // a write larger than the history: none of it is kept
        forget_all();
        return;
    }
    std::size_t size = open_pool.size();
    open_pool.resize(size + 8 + n);
    uint8_t *d = open_pool.data() + size;
    d = put(d, static_cast<uint32_t>(at - pool));
    d = put(d, static_cast<uint32_t>(n));
    std::memcpy(d, at, n);
}

bool history_in_past(void)
{
    return undone > 0;
}

bool history_back(uint32_t *pos, int32_t *line, const char **why)
{
    if (!on) {
        *why = "the history is off (launch with \"history\" above 0)";
        return false;
    }
    if (!undone && opened) {   // the item stopped at has not run: its record is empty
        close_record();
        std::size_t size;
        uint8_t *r = record(0, &size);
        if (r && size == 8 + 8 + 12 + 2) {   // no pool write, no change: drop it
            chunks.back().used = chunks.back().starts.back();
            chunks.back().starts.pop_back();
            made--;
        }
    }
    std::size_t size;
    uint8_t *r = record(undone, &size);
    if (!r) {
        *why = "the history holds nothing older";
        return false;
    }
    swap_record(r, true);
    undone++;
    std::memcpy(pos, r, 4);
    std::memcpy(line, r + 4, 4);
    return true;
}

bool history_forward(uint32_t *pos, int32_t *line)
{
    if (!undone)
        return false;
    std::size_t size;
    uint8_t *r = record(--undone, &size);
    swap_record(r, false);
    if (!undone)
        return false;   // the present: where the run stopped
    uint8_t *next = record(undone - 1, &size);
    std::memcpy(pos, next, 4);
    std::memcpy(line, next + 4, 4);
    return true;
}

uint64_t history_time(void)
{
    return made - undone;
}

void history_forget_future(void)
{
    for (; undone; undone--, made--) {
        Chunk &c = chunks.back();
        c.used = c.starts.back();
        c.starts.pop_back();
        if (c.starts.empty()) {
            kept -= c.bytes.size();
            chunks.pop_back();
        }
    }
}
