/*
 * output.cpp - what put and puts print. On a terminal each print goes out at
 * once; elsewhere it waits in one buffer until it could be seen to wait:
 * before anything is written to standard error, a function that can show or
 * read something is called or input is read, when the buffer is full,
 * OUTPUT_WAIT_MS after its oldest byte (the clock), at the end and on a
 * signal. The buffer is written with write(2), behind anything the library
 * printed through the C library's stdout, so the two keep their order.
 */
#include "quill.h"

#include "output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

char output_buf[OUTPUT_SIZE];
std::atomic<uint32_t> output_head;   // the first byte not yet written
std::atomic<uint32_t> output_used;   // the end of what waits
std::atomic<bool> output_armed;      // the clock runs
std::atomic<int> output_failed;      // errno of a write the clock made
std::atomic<bool> output_attention;  // the clock's write failed: the loop must look
void (*output_fault)(int err);

namespace {

bool immediate = true;   // a terminal, or no clock: each print goes out at once
bool dead;               // a write failed: nothing more is written
OUTCALL_QUIET_PTR quiet; // the library's word on which calls show nothing
int8_t quiet_known[21];  // its answers for -2..18, asked once: -1 not yet

bool is_quiet(int32_t no)
{
    if (!quiet)
        return false;
    uint32_t k = static_cast<uint32_t>(no) + 2;
    if (k >= sizeof quiet_known)
        return quiet(no) != 0;
    if (quiet_known[k] < 0)
        quiet_known[k] = quiet(no) != 0;
    return quiet_known[k];
}

[[noreturn]] void fail(int err)
{
    dead = true;
    output_head.store(0, std::memory_order_relaxed);
    output_used.store(0, std::memory_order_relaxed);
    output_unlock();   // a signal that came meanwhile ends the run first
    if (output_fault)
        output_fault(err);
    std::abort();   // a handler that returned: nothing sound is left to do
}

// Bytes that fit; counted only once copied, so the clock and the signals
// write whole prints (a text longer than the buffer goes in pieces).
inline __attribute__((always_inline)) void put_in(const char *s, uint32_t n)
{
    uint32_t used = output_used.load(std::memory_order_relaxed);
    std::memcpy(output_buf + used, s, n);
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
    else if (!output_armed.load(std::memory_order_relaxed))
        output_arm();   // after a write, the first print starts the clock again
}

// Without the clock nothing waits long and no handler writes: the stream
// takes each print (and a test harness may have put a stream of its own there).
int write_stream(void)
{
    uint32_t head = output_head.load(std::memory_order_relaxed);
    std::size_t n = output_used.load(std::memory_order_relaxed) - head;
    if (n && std::fwrite(output_buf + head, 1, n, stdout) != n)
        return errno;
    return std::fflush(stdout) != 0 ? errno : 0;
}

bool waiting(void)
{
    return output_head.load(std::memory_order_relaxed) != output_used.load(std::memory_order_relaxed);
}

}  // namespace

void output_start(void)
{
    quiet = output_find_quiet();
    std::memset(quiet_known, -1, sizeof quiet_known);
    immediate = output_terminal() || !output_catch();
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

void output_text(const char *text, std::size_t len)
{
    print(text, len);
}

/* Ours first, then what the library left in stdout: it prints only during
   a call, and what waited before the call is older. */
void output_flush(void)
{
    if (dead)
        return;
    output_lock();
    if (output_armed.load(std::memory_order_relaxed)) {
        output_armed.store(false, std::memory_order_relaxed);
        output_disarm();   // no tick may cut short a read or a pause that follows
    }
    int err = output_failed.load(std::memory_order_relaxed);
    if (!err)
        err = immediate ? write_stream() : output_write();
    if (!err && output_library_printed() && std::fflush(stdout) != 0)
        err = errno;
    if (!err && std::ferror(stdout))
        err = EIO;   // the library's own write failed earlier; its reason is gone
    if (err)
        fail(err);
    output_head.store(0, std::memory_order_relaxed);
    output_used.store(0, std::memory_order_relaxed);
    output_unlock();
}

// The clock's write failed: the run ends as if ours had.
void output_check_failed(void)
{
    output_attention.store(false, std::memory_order_relaxed);
    if (output_failed.load(std::memory_order_relaxed))
        output_flush();
}

/* A quiet call (the library says it shows and reads nothing) leaves what
   waits waiting; any other gets it written first, and the clock stopped so
   that no tick interrupts what the call waits for. */
void output_call_begin(int32_t no)
{
    if (is_quiet(no))
        return;
    if (waiting() || output_armed.load(std::memory_order_relaxed))
        output_flush();
}

void output_call_end(void)
{
    if (output_library_printed())
        output_flush();
}
