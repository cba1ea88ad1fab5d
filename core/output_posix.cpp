/*
 * output_posix.cpp - isatty, CLOCK_MONOTONIC, and handlers for SIGINT,
 * SIGTERM and SIGHUP that write the buffer with write(2), which a handler
 * may call, and then raise the signal again with its default action.
 */
#include "output.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#ifdef __GLIBC__
#include <stdio_ext.h>
#endif

bool output_terminal(void)
{
    return isatty(STDOUT_FILENO) == 1;
}

uint64_t output_now(void)
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000000 + static_cast<uint64_t>(t.tv_nsec) / 1000 + 1;
}

bool output_library_printed(void)
{
#ifdef __GLIBC__
    return __fpending(stdout) != 0;
#else
    return true;   // no way to ask: flush
#endif
}

namespace {

const int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
volatile sig_atomic_t busy;       // the buffer is being written
volatile sig_atomic_t deferred;   // a signal that came meanwhile

void on_signal(int sig)
{
    if (busy) {
        deferred = sig;   // output_unlock raises it once the write is done
        return;
    }
    const char *p = output_buf;
    std::size_t n = output_used.load(std::memory_order_acquire);
    while (n) {
        ssize_t k = write(STDOUT_FILENO, p, n);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            break;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    raise(sig);   // SA_RESETHAND made its action the default again
}

}  // namespace

/* Only the main thread takes these signals (the library's helper threads
   block them), so the handler never runs beside a print. The same signal
   again, while the handler waits on a stalled pipe, ends the run at once. */
void output_catch(void)
{
    for (int sig : SIGNALS) {
        struct sigaction sa;
        if (sigaction(sig, nullptr, &sa) != 0 || sa.sa_handler == SIG_IGN)
            continue;   // ignored by whoever started us: stays so
        sa.sa_handler = on_signal;
        sigemptyset(&sa.sa_mask);
        for (int other : SIGNALS)
            if (other != sig)
                sigaddset(&sa.sa_mask, other);
        sa.sa_flags = SA_RESETHAND | SA_NODEFER | SA_RESTART;
        sigaction(sig, &sa, nullptr);
    }
}

void output_lock(void)
{
    busy = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void output_unlock(void)
{
    std::atomic_signal_fence(std::memory_order_seq_cst);
    busy = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (deferred)
        raise(deferred);
}
