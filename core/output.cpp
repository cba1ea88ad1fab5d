/*
 * output.cpp - what put and puts print. On a terminal each print goes out at
 * once; elsewhere it waits in one buffer until it could be seen to wait:
 * before anything is written to standard error, a function is called or
 * input is read, when the buffer is full, 10 ms after its oldest byte, at
 * the end and on a signal. Everything goes out through the C library's
 * stdout, the stream the extension library prints to as well, so the two
 * keep their order.
 */
#include "quill.h"

#include "output.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

char output_buf[OUTPUT_SIZE];
std::atomic<uint32_t> output_used;   // bytes waiting in output_buf
int32_t output_ticks = INT32_MAX;    // counts down to the next look at the clock
void (*output_fault)(int err);

namespace {

constexpr uint64_t WAIT_US = 10000;   // the longest a byte waits while the script computes
constexpr int32_t TICKS = 256;        // prints and jumps between looks at the clock

bool immediate = true;   // a terminal, or no output_start: each print goes out at once
bool dead;               // a write failed: nothing more is written
uint64_t since;          // about when the oldest waiting byte came; 0: not looked yet

[[noreturn]] void fail(int err)
{
    dead = true;
    output_used.store(0, std::memory_order_release);
    output_unlock();   // a signal that came meanwhile ends the run first
    if (output_fault)
        output_fault(err);
    std::abort();   // a handler that returned: nothing sound is left to do
}

// Bytes that fit; counted only once copied, so a signal writes whole prints
// (a text longer than the buffer goes in pieces).
inline __attribute__((always_inline)) void put_in(const char *s, uint32_t n)
{
    uint32_t used = output_used.load(std::memory_order_relaxed);
    std::memcpy(output_buf + used, s, n);
    if (used == 0) {
        since = 0;   // stamped at the first look, a few hundred ticks on
        output_ticks = TICKS;
    }
    output_used.store(used + n, std::memory_order_release);
}

inline __attribute__((always_inline)) void print(const char *s, std::size_t n)
{
    if (n > OUTPUT_SIZE - output_used.load(std::memory_order_relaxed)) {
        output_flush();
        for (; n > OUTPUT_SIZE; s += OUTPUT_SIZE, n -= OUTPUT_SIZE) {
            put_in(s, OUTPUT_SIZE);
            output_flush();
        }
    }
    put_in(s, static_cast<uint32_t>(n));
    if (immediate)
        output_flush();
    else
        output_tick();
}

}  // namespace

void output_start(void)
{
    immediate = output_terminal();
    if (!immediate)
        output_catch();
}

void output_number(int32_t value)
{
    static const char PAIRS[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char text[12];
    char *p = text + sizeof text;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    for (; magnitude >= 100; magnitude /= 100) {   // two digits a step
        p -= 2;
        std::memcpy(p, PAIRS + 2 * (magnitude % 100), 2);
    }
    if (magnitude >= 10) {
        p -= 2;
        std::memcpy(p, PAIRS + 2 * magnitude, 2);
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (value < 0)
        *--p = '-';
    print(p, static_cast<std::size_t>(text + sizeof text - p));
}

void output_text(const char *text)
{
    print(text, std::strlen(text));
}

/* Through stdout, behind anything the library left there: it prints only
   during a call, and a flush comes before and after each call, so at most
   one of the two holds bytes. */
void output_flush(void)
{
    if (dead)
        return;
    output_lock();
    uint32_t n = output_used.load(std::memory_order_relaxed);
    if (n && std::fwrite(output_buf, 1, n, stdout) != n)
        fail(errno);
    if (std::fflush(stdout) != 0)
        fail(errno);
    if (std::ferror(stdout))
        fail(EIO);   // the library's own write failed earlier; its reason is gone
    output_used.store(0, std::memory_order_release);
    output_ticks = INT32_MAX;
    output_unlock();
}

void output_due(void)
{
    if (output_used.load(std::memory_order_relaxed) == 0) {
        output_ticks = INT32_MAX;
        return;
    }
    uint64_t now = output_now();
    if (!since)
        since = now;
    if (now - since >= WAIT_US)
        output_flush();
    else
        output_ticks = TICKS;
}

// Only ours can hold bytes now: the library's prints went out after its last call.
void output_call_begin(void)
{
    if (output_used.load(std::memory_order_relaxed))
        output_flush();
}

void output_call_end(void)
{
    if (output_library_printed() || std::ferror(stdout))
        output_flush();
}
