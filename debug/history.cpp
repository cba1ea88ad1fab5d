/*
 * history.cpp - the debugged run's history, in chunks of records.
 */
#include "history.h"

#include "quill.h"

#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr std::size_t CHUNK = std::size_t(1) << 20;

struct Chunk {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> starts;   // of its records, in order
};

std::deque<Chunk> chunks;
std::size_t limit, used;
bool on;
uint64_t undone;                    // records undone: the run is that far in the past

// The record being made: its item, the values at its start, its pool writes.
std::vector<uint8_t> open_rec;
bool opened;
int32_t start_var[NVARS], start_ev, start_poolnum, start_top;
int8_t start_label[NLABELS];

template <typename T> void put(std::vector<uint8_t> &b, T v)
{
    std::size_t at = b.size();
    b.resize(at + sizeof v);
    std::memcpy(b.data() + at, &v, sizeof v);
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

/* A record: pos, line, then the pool writes (addr offset, n, n old bytes),
   ended by a write of n 0; then ev, poolnum, top; the changed variables
   (count, then index and value) and label counters (the same). */
void close_record(void)
{
    if (!opened)
        return;
    opened = false;
    put<uint32_t>(open_rec, 0);
    put<uint32_t>(open_rec, 0);
    put(open_rec, start_ev);
    put(open_rec, start_poolnum);
    put(open_rec, start_top);
    uint8_t n = 0;
    std::size_t count_at = open_rec.size();
    put(open_rec, n);
    for (int i = 0; i < NVARS; i++)
        if (var[i] != start_var[i]) {
            put<uint8_t>(open_rec, static_cast<uint8_t>(i));
            put(open_rec, start_var[i]);
            n++;
        }
    open_rec[count_at] = n;
    n = 0;
    count_at = open_rec.size();
    put(open_rec, n);
    for (int i = 0; i < NLABELS; i++)
        if (label[i] != start_label[i]) {
            put<uint8_t>(open_rec, static_cast<uint8_t>(i));
            put(open_rec, start_label[i]);
            n++;
        }
    open_rec[count_at] = n;
    if (open_rec.size() > limit) {   // larger than all the history may be
        chunks.clear();
        used = 0;
        return;
    }
    if (chunks.empty() || chunks.back().bytes.size() + open_rec.size() > CHUNK) {
        chunks.emplace_back();
        chunks.back().bytes.reserve(std::max(CHUNK, open_rec.size()));
        used += chunks.back().bytes.capacity();
        while (used > limit && chunks.size() > 1) {   // the oldest go
            used -= chunks.front().bytes.capacity();
            chunks.pop_front();
        }
    }
    Chunk &c = chunks.back();
    c.starts.push_back(static_cast<uint32_t>(c.bytes.size()));
    c.bytes.insert(c.bytes.end(), open_rec.begin(), open_rec.end());
}

// The record k from the newest (0: the newest), or null.
uint8_t *record(uint64_t k, std::size_t *size)
{
    for (auto c = chunks.rbegin(); c != chunks.rend(); ++c) {
        if (k < c->starts.size()) {
            std::size_t i = c->starts.size() - 1 - k;
            std::size_t end = i + 1 < c->starts.size() ? c->starts[i + 1] : c->bytes.size();
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
    close_record();
    open_rec.clear();
    put(open_rec, pos);
    put(open_rec, line);
    snapshot();
    opened = true;
}

void history_pool(const char *at, std::size_t n)
{
    if (!opened || at < pool || at >= pool + poolsize)
        return;   // a variable's slot: the variables are compared whole
    if (open_rec.size() + n > limit) {
        opened = false;   // a write larger than the history: none of it is kept
        chunks.clear();
        used = 0;
        return;
    }
    put(open_rec, static_cast<uint32_t>(at - pool));
    put(open_rec, static_cast<uint32_t>(n));
    open_rec.insert(open_rec.end(), at, at + n);
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
            chunks.back().starts.pop_back();
            chunks.back().bytes.resize(chunks.back().bytes.size() - size);
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

void history_forget_future(void)
{
    for (; undone; undone--) {
        Chunk &c = chunks.back();
        c.bytes.resize(c.starts.back());
        c.starts.pop_back();
        if (c.starts.empty())
            chunks.pop_back();
    }
}
