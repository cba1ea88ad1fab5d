/*
 * history.cpp - the debugged run's history, in chunks of records. A record
 * is made at every item start of a debugged run, so its making is kept to a
 * few dozen instructions: the values are compared in words, written once,
 * and a record carries its size at both ends to be walked either way.
 */
#include "history.h"

#include "hooks.h"
#include "quill.h"

#include <cstring>
#include <deque>
#include <memory>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t CHUNK = std::size_t(1) << 20;

/* A record: its size, pos, line, flags (1 ev, 2 poolnum, 4 top, 8 pool
   writes, 16 jumps), how many variables and counters changed; then the pool
   writes (their count, then offset, n and the n bytes each); ev, poolnum and
   top as flagged; the jumps taken; the variables (index, value) and counters (index, value); its
   size again. The values are those it would swap in. */
constexpr std::size_t HEAD = 4 + 4 + 4 + 3;
constexpr std::size_t EMPTY = HEAD + 4;
constexpr std::size_t FIXED = HEAD + 4 + 12 + 4 + 5 * NVARS + 2 * NLABELS + 4;
enum : uint8_t { F_EV = 1, F_POOLNUM = 2, F_TOP = 4, F_WRITES = 8, F_JUMPS = 16 };

struct Chunk {
    std::unique_ptr<uint8_t[]> bytes;   // not zeroed: records are copied in
    std::size_t size = 0, used = 0;
};

std::deque<Chunk> chunks;           // oldest first
Chunk *tail;                        // the newest, which records go into
std::unique_ptr<uint8_t[]> spare;   // a dropped chunk's bytes, to be filled again
std::size_t limit, kept;            // bytes allowed, bytes the chunks hold
bool on;
uint64_t undone;                    // records undone: the run is that far in the past
uint64_t made;                      // records made, those forgotten for the limit too
// While undone: where the undone records start, in which chunk.
std::size_t past_chunk, past_off;

// The record being made: its item, the values at its start, its pool writes.
bool opened;
uint32_t open_pos;
int32_t open_line;
std::vector<uint8_t> open_pool;     // (offset, n, the n bytes before) for each write
uint32_t open_writes;
uint32_t open_may;                  // what the item may change (RunWatch::writes)
uint32_t open_jumps;
void (*told_passes)(uint32_t pos, int32_t delta);
int32_t start_var[NVARS], start_ev, start_poolnum, start_top;
int8_t start_label[NLABELS];

template <typename T> uint8_t *put(uint8_t *d, T v)
{
    std::memcpy(d, &v, sizeof v);
    return d + sizeof v;
}

template <typename T> T get(const uint8_t *p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::noinline]] void snapshot(void)
{
    std::memcpy(start_var, var, sizeof start_var);
    std::memcpy(start_label, label, NLABELS);
    start_ev = ev;
    start_poolnum = poolnum;
    start_top = top;
}

void drop_front(void)
{
    kept -= chunks.front().size;
    if (chunks.front().size == CHUNK)
        spare = std::move(chunks.front().bytes);   // a full history fills it again
    chunks.pop_front();
}

void forget_all(void)
{
    chunks.clear();
    tail = nullptr;
    kept = 0;
    undone = 0;
}

void pop_tail(void)
{
    kept -= tail->size;
    chunks.pop_back();
    tail = chunks.empty() ? nullptr : &chunks.back();
}

// A new chunk with room for n more bytes, the oldest dropped past the limit.
[[gnu::noinline]] Chunk *new_chunk(std::size_t n)
{
    std::size_t size = std::max(CHUNK, n);
    if (size > limit) {   // larger than all the history may be
        forget_all();
        return nullptr;
    }
    while (!chunks.empty() && kept + size > limit)
        drop_front();
    Chunk &c = chunks.emplace_back();
    c.bytes = size == CHUNK && spare ? std::move(spare) : std::unique_ptr<uint8_t[]>(new uint8_t[size]);
    c.size = size;
    kept += size;
    return tail = &c;
}

inline Chunk *room(std::size_t n)
{
    return tail && tail->used + n <= tail->size ? tail : new_chunk(n);
}

// Which values differ from their start, a bit each. An item changes one or
// two values, if any, so they are compared 16 bytes at a time where the
// machine can, and read where they are: a copy would stall the loads.
[[gnu::always_inline]] inline uint32_t var_changes(void)
{
#ifdef __SSE2__
    static_assert(NVARS == 26);
    auto same = [](int at) {   // 0-3 ... 20-23 and 22-25
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(var + at));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(start_var + at));
        return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, b)))) << at;
    };
    uint32_t s = same(0) | same(4) | same(8) | same(12) | same(16) | same(20) | same(22);
    return ~s & ((uint32_t(1) << NVARS) - 1);
#else
    uint32_t changed = 0;
    for (int i = 0; i < NVARS; i++)
        changed |= uint32_t(var[i] != start_var[i]) << i;
    return changed;
#endif
}

[[gnu::always_inline]] inline uint32_t label_changes(void)
{
#ifdef __SSE2__
    static_assert(NLABELS == 26);
    auto same = [](int at) {   // 0-15 and 10-25
        return static_cast<uint32_t>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(label + at)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i *>(start_label + at)))));
    };
    return ~(same(0) | same(10) << 10) & ((uint32_t(1) << NLABELS) - 1);
#else
    uint32_t changed = 0;
    for (int i = 0; i < NLABELS; i++)
        changed |= uint32_t(label[i] != start_label[i]) << i;
    return changed;
#endif
}

// The changed values into the record as (index, old value); the start takes the new.
template <typename T>
[[gnu::always_inline]] inline uint8_t *changes(uint8_t *d, uint8_t *count, uint32_t changed, const T *now, T *start)
{
    uint8_t k = 0;
    for (; changed; changed &= changed - 1, k++) {
        int i = __builtin_ctz(changed);
        *d++ = static_cast<uint8_t>(i);
        d = put(d, start[i]);
        start[i] = now[i];
    }
    *count = k;
    return d;
}

// The open record into chunk c, which has room. QUICK: the common record,
// made at every item start: a recorded item's (only the variables it
// writes compared) without pool writes.
template <bool QUICK> [[gnu::always_inline]] inline void write_record(Chunk *c)
{
    uint8_t *r = c->bytes.get() + c->used, *d = r + HEAD, flags = 0;
    put(r + 4, open_pos);
    put(r + 8, open_line);
    if (!QUICK && open_writes) {
        flags |= F_WRITES;
        d = put(d, open_writes);
        std::memcpy(d, open_pool.data(), open_pool.size());
        d += open_pool.size();
    }
    // the values the next record starts from are taken on the way
    if (int32_t now = ev; now != start_ev) {
        flags |= F_EV;
        d = put(d, start_ev);
        start_ev = now;
    }
    if (int32_t now = poolnum; now != start_poolnum) {
        flags |= F_POOLNUM;
        d = put(d, start_poolnum);
        start_poolnum = now;
    }
    if (int32_t now = top; now != start_top) {
        flags |= F_TOP;
        d = put(d, start_top);
        start_top = now;
    }
    if (open_jumps) {
        flags |= F_JUMPS;
        d = put(d, open_jumps);
    }
    r[12] = flags;
    uint32_t vars = 0, may = open_may;
    if (!QUICK && may == WRITES_ALL) {
        vars = var_changes();
    } else {   // a recorded item: the variables it writes, one or two
        for (uint32_t m = may & (WRITES_LABELS - 1); m; m &= m - 1) {
            int i = __builtin_ctz(m);
            vars |= uint32_t(var[i] != start_var[i]) << i;
        }
    }
    d = changes(d, r + 13, vars, var, start_var);
    d = changes(d, r + 14, may & WRITES_LABELS ? label_changes() : 0, label, start_label);
    uint32_t size = static_cast<uint32_t>(d - r + 4);
    put(r, size);
    put(d, size);
    c->used += size;
    made++;
}

// False where the record is not the common one, which close_record makes.
[[gnu::always_inline]] inline bool close_quick(void)
{
    Chunk *c = tail;
    if (!c || c->used + FIXED > c->size || open_writes || open_may == WRITES_ALL)
        return false;
    write_record<true>(c);
    return true;
}

[[gnu::noinline]] void close_record(void)
{
    opened = false;
    Chunk *c = room(open_writes ? FIXED + open_pool.size() : FIXED);
    if (c)
        write_record<false>(c);
    else
        snapshot();
}

// The record before the place (ch, off), which moves to its start; null at the oldest.
uint8_t *older(std::size_t &ch, std::size_t &off)
{
    if (off == 0) {
        if (ch == 0)
            return nullptr;
        off = chunks[--ch].used;
    }
    off -= get<uint32_t>(chunks[ch].bytes.get() + off - 4);
    return chunks[ch].bytes.get() + off;
}

// The record at the place (ch, off), which moves past it when step is set.
uint8_t *newer(std::size_t &ch, std::size_t &off, bool step)
{
    if (off == chunks[ch].used) {
        ch++;
        off = 0;
    }
    uint8_t *r = chunks[ch].bytes.get() + off;
    if (step)
        off += get<uint32_t>(r);
    return r;
}

void swap_bytes(uint8_t *x, uint8_t *y, std::size_t n)
{
    for (std::size_t i = 0; i < n; i++)
        std::swap(x[i], y[i]);
}

template <typename T> uint8_t *swap_in(uint8_t *stored, T &value)
{
    T v = get<T>(stored);
    std::memcpy(stored, &value, sizeof v);
    value = v;
    return stored + sizeof v;
}

// Undoes or does again record r: each value it holds is swapped with the
// run's, the pool writes last to first when undoing.
void swap_record(uint8_t *r, bool backward)
{
    uint8_t flags = r[12], nvar = r[13], nlab = r[14];
    uint8_t *p = r + HEAD;
    if (flags & F_WRITES) {
        static std::vector<uint8_t *> writes;
        writes.clear();
        uint32_t n = get<uint32_t>(p);
        p += 4;
        for (uint32_t i = 0; i < n; i++) {
            writes.push_back(p);
            p += 8 + get<uint32_t>(p + 4);
        }
        auto swap_write = [](uint8_t *w) {
            swap_bytes(reinterpret_cast<uint8_t *>(pool) + get<uint32_t>(w), w + 8, get<uint32_t>(w + 4));
        };
        if (backward)
            for (auto w = writes.rbegin(); w != writes.rend(); ++w)
                swap_write(*w);
        else
            for (uint8_t *w : writes)
                swap_write(w);
    }
    if (flags & F_EV)
        p = swap_in(p, ev);
    if (flags & F_POOLNUM)
        p = swap_in(p, poolnum);
    if (flags & F_TOP)
        p = swap_in(p, top);
    if (flags & F_JUMPS) {
        int32_t n = static_cast<int32_t>(get<uint32_t>(p));
        told_passes(get<uint32_t>(r + 4), backward ? -n : n);
        p += 4;
    }
    for (uint8_t i = 0; i < nvar; i++, p += 5)
        swap_in(p + 1, var[p[0]]);
    for (uint8_t i = 0; i < nlab; i++, p += 2)
        swap_in(p + 1, label[p[0]]);
}

}  // namespace

void history_start(std::size_t bytes, void (*passes)(uint32_t pos, int32_t delta))
{
    told_passes = passes;
    limit = bytes;
    on = bytes > 0;
}

bool history_on(void)
{
    return on;
}

void history_item(uint32_t pos, int32_t line, uint32_t writes)
{
    // closing a record leaves the values where the next one starts
    if (__builtin_expect(!opened, 0))
        snapshot();
    else if (!close_quick())
        close_record();
    open_pos = pos;
    open_line = line;
    open_pool.clear();
    open_writes = 0;
    open_may = writes;
    open_jumps = 0;
    opened = true;
}

void history_jumped(void)
{
    open_jumps++;
}

void history_touched(void)
{
    open_may = WRITES_ALL;
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
    open_writes++;
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
    if (!undone) {
        if (opened) {   // the item stopped at has not run: its record is empty
            close_record();
            if (tail && tail->used >= EMPTY && get<uint32_t>(tail->bytes.get() + tail->used - 4) == EMPTY) {
                tail->used -= EMPTY;   // no pool write, no change: drop it
                made--;
                if (!tail->used)
                    pop_tail();
            }
        }
        if (chunks.empty()) {
            *why = "the history holds nothing older";
            return false;
        }
        past_chunk = chunks.size() - 1;
        past_off = chunks.back().used;
    }
    uint8_t *r = older(past_chunk, past_off);
    if (!r) {
        *why = "the history holds nothing older";
        return false;
    }
    swap_record(r, true);
    undone++;
    *pos = get<uint32_t>(r + 4);
    *line = get<int32_t>(r + 8);
    return true;
}

bool history_forward(uint32_t *pos, int32_t *line)
{
    if (!undone)
        return false;
    swap_record(newer(past_chunk, past_off, true), false);
    if (!--undone)
        return false;   // the present: where the run stopped
    std::size_t ch = past_chunk, off = past_off;
    uint8_t *next = newer(ch, off, false);
    *pos = get<uint32_t>(next + 4);
    *line = get<int32_t>(next + 8);
    return true;
}

uint64_t history_time(void)
{
    return made - undone;
}

void history_forget_future(void)
{
    if (!undone)
        return;
    while (chunks.size() > past_chunk + 1)
        pop_tail();
    tail->used = past_off;
    if (!past_off)
        pop_tail();
    made -= undone;
    undone = 0;
}
