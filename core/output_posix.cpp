/*
 * output_posix.cpp - isatty, the clock and the signals. The clock is a POSIX
 * timer whose signal writes what waits; every signal that would end the run
 * writes what waits, as much as the reader takes within a bound, then ends
 * the run with its default action. Handlers use only write(2), timers,
 * clocks and atomics, which a handler may.
 */
#include "output.h"

#include <dlfcn.h>
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

bool output_library_printed(void)
{
#ifdef __GLIBC__
    return __fpending(stdout) != 0 || ferror_unlocked(stdout);
#else
    return true;   // no way to ask: flush
#endif
}

// Whichever library gave us outcall: the stock one, or one of the user's own.
OUTCALL_QUIET_PTR output_find_quiet(void)
{
    return reinterpret_cast<OUTCALL_QUIET_PTR>(dlsym(RTLD_DEFAULT, OUTCALL_QUIET_NAME));
}

namespace {

constexpr long MS = 1000000;   // in nanoseconds

const int ENDING[] = {   // every signal whose default action ends the process, but SIGPIPE
    SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1, SIGSEGV,
    SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

volatile sig_atomic_t busy;    // the buffer is being written
volatile sig_atomic_t dying;   // the signal that ends the run, once one came
timespec dying_at;             // when it came
int clock_signal;              // a real-time signal of our own
timer_t clock_timer;
struct sigaction found[NSIG];  // the actions before ours, for the program's own faults

bool is_fault(int sig)
{
    return sig == SIGILL || sig == SIGTRAP || sig == SIGBUS || sig == SIGFPE || sig == SIGSEGV ||
           sig == SIGSYS;
}

void set_clock(long first_ns, long every_ns)
{
    itimerspec t{};
    t.it_value.tv_sec = first_ns / 1000000000;
    t.it_value.tv_nsec = first_ns % 1000000000;
    t.it_interval.tv_nsec = every_ns;
    timer_settime(clock_timer, 0, &t, nullptr);
}

long ms_since(const timespec &then)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - then.tv_sec) * 1000 + (now.tv_nsec - then.tv_nsec) / MS;
}

[[noreturn]] void die(int sig)
{
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);   // not reached: the default action of each ends the process
}

/* What the reader takes within OUTPUT_LAST_WORDS_MS of the signal; the rest
   is dropped, as a stalled reader sees none of it anyway. The clock ticks
   every millisecond meanwhile, so a write that blocks comes back with what
   it wrote, and the pipe's flags, shared with other processes, stay. */
[[noreturn]] void last_words(void)
{
    busy = 1;
    set_clock(MS, MS);
    uint32_t head = output_head.load(std::memory_order_acquire);
    uint32_t used = output_used.load(std::memory_order_acquire);
    while (head < used && ms_since(dying_at) < OUTPUT_LAST_WORDS_MS) {
        ssize_t k = write(STDOUT_FILENO, output_buf + head, used - head);
        if (k > 0)
            head += static_cast<uint32_t>(k);
        else if (k == 0 || errno != EINTR)
            break;
    }
    die(dying);
}

void on_clock(void)
{
    if (dying)
        return;   // a tick that cuts a blocked write short
    output_armed.store(false, std::memory_order_relaxed);
    if (busy || output_failed.load(std::memory_order_relaxed))
        return;   // the main thread is writing it all now, or the run ends at its next look
    busy = 1;
    int err = output_write();
    busy = 0;
    if (err) {
        output_failed.store(err, std::memory_order_relaxed);
        output_attention.store(true, std::memory_order_relaxed);
    }
}

void on_signal(int sig, siginfo_t *info, void *)
{
    int saved = errno;
    if (sig == clock_signal && info->si_code == SI_TIMER) {
        on_clock();
        errno = saved;
        return;
    }
    if (is_fault(sig) && info->si_code > 0) {
        // the program's own fault: the instruction runs again under the action found
        sigaction(sig, &found[sig], nullptr);
        errno = saved;
        return;
    }
    if (dying)
        die(sig);   // a second signal ends the run at once
    dying = sig;
    clock_gettime(CLOCK_MONOTONIC, &dying_at);
    if (busy) {
        // the write under way comes back early, and output_write ends the run
        set_clock(MS, MS);
        errno = saved;
        return;
    }
    last_words();
}

// The first real-time signal nobody else has taken; 0 when there is none.
int free_realtime_signal(void)
{
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; sig++) {
        struct sigaction sa;
        if (sigaction(sig, nullptr, &sa) == 0 && sa.sa_handler == SIG_DFL)
            return sig;
    }
    return 0;
}

void catch_signal(int sig, int flags)
{
    if (sigaction(sig, nullptr, &found[sig]) != 0 || found[sig].sa_handler == SIG_IGN)
        return;   // ignored by whoever started us: stays so
    struct sigaction sa{};
    sa.sa_sigaction = on_signal;
    sigemptyset(&sa.sa_mask);   // the clock must reach a blocked write, a second signal too
    sa.sa_flags = flags;        // no SA_RESTART: a write blocked on a stalled reader gives up
    sigaction(sig, &sa, nullptr);
}

}  // namespace

/* Only the main thread takes these signals and the clock's (the library's
   helper threads block them), so a handler never runs beside a print. */
bool output_catch(void)
{
    clock_signal = free_realtime_signal();
    if (!clock_signal)
        return false;
    sigevent ev{};
    ev.sigev_signo = clock_signal;
#ifdef SIGEV_THREAD_ID
    ev.sigev_notify = SIGEV_THREAD_ID;
    ev._sigev_un._tid = gettid();
#else
    ev.sigev_notify = SIGEV_SIGNAL;
#endif
    if (timer_create(CLOCK_MONOTONIC, &ev, &clock_timer) != 0)
        return false;
    catch_signal(clock_signal, SA_SIGINFO);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, clock_signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    for (int sig : ENDING)
        catch_signal(sig, SA_SIGINFO | SA_RESETHAND | SA_NODEFER);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; sig++)
        if (sig != clock_signal)
            catch_signal(sig, SA_SIGINFO | SA_RESETHAND | SA_NODEFER);
    return true;
}

void output_arm(void)
{
    output_armed.store(true, std::memory_order_relaxed);
    set_clock(OUTPUT_WAIT_MS * MS, 0);
}

void output_disarm(void)
{
    set_clock(0, 0);
}

int output_write(void)
{
    for (;;) {
        if (dying)
            last_words();
        uint32_t head = output_head.load(std::memory_order_relaxed);
        uint32_t used = output_used.load(std::memory_order_acquire);
        if (head >= used)
            return 0;
        ssize_t k = write(STDOUT_FILENO, output_buf + head, used - head);
        if (k > 0)
            output_head.store(head + static_cast<uint32_t>(k), std::memory_order_relaxed);
        else if (k == 0)
            return EIO;
        else if (errno != EINTR)
            return errno;
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
    if (dying)
        last_words();
}
