/*
 * output_win32.cpp - a console is what a terminal is elsewhere. The clock is
 * a thread that writes what waits; Ctrl-C, Ctrl-Break and closing the
 * console reach a handler on a thread of its own. Both write under the lock
 * the main thread writes under; the handler gives the write a bound and
 * then ends the process as the default handler would.
 */
#include "output.h"

#include <windows.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

bool output_terminal(void)
{
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout)));
    DWORD mode;
    return GetConsoleMode(h, &mode) != 0;
}

bool output_library_printed(void)
{
#ifdef _UCRT
    return true;   // the stream cannot be asked: flush
#else
    return (stdout->_base && stdout->_ptr != stdout->_base) || std::ferror(stdout);
#endif
}

// Whichever outcall.dll gave us outcall: the stock one, or one of the user's own.
OUTCALL_QUIET_PTR output_find_quiet(void)
{
    HMODULE lib;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&outcall), &lib))
        return nullptr;
    return reinterpret_cast<OUTCALL_QUIET_PTR>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(lib, OUTCALL_QUIET_NAME)));
}

namespace {

CRITICAL_SECTION lock;
HANDLE wake;                         // set when the clock is armed
HANDLE timer;                        // the clock thread's sleep
std::atomic<uint64_t> armed_at;      // GetTickCount64-like milliseconds, of the arming
std::atomic<bool> dying;
std::atomic<bool> quitting;          // the run ends: the clock thread returns
HANDLE clock_thread;

uint64_t now_ms(void)
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    uint64_t f = static_cast<uint64_t>(freq.QuadPart), n = static_cast<uint64_t>(c.QuadPart);
    return n / f * 1000 + n % f * 1000 / f;
}

void sleep_ms(uint64_t ms)
{
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;   // relative, in 100 ns
    if (timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer, INFINITE);
    else
        Sleep(static_cast<DWORD>(ms));
}

DWORD WINAPI clock_main(void *)
{
    for (;;) {
        WaitForSingleObject(wake, INFINITE);
        if (quitting)
            return 0;
        while (output_armed.load(std::memory_order_acquire) && !quitting) {
            uint64_t due = armed_at.load(std::memory_order_relaxed) + OUTPUT_WAIT_MS;
            uint64_t now = now_ms();
            if (now < due) {
                sleep_ms(due - now);
                continue;   // armed again meanwhile, or flushed by the main thread
            }
            EnterCriticalSection(&lock);
            if (!dying && output_armed.exchange(false) && !output_failed.load()) {
                int err = output_write();
                if (err) {
                    output_failed.store(err);
                    output_attention.store(true);
                }
            }
            LeaveCriticalSection(&lock);
        }
    }
}

DWORD WINAPI last_words(void *)
{
    EnterCriticalSection(&lock);   // never left: the process ends
    output_write();
    return 0;
}

/* The write gets its own thread, as a write to a stalled pipe may never
   return; after the bound the process ends whatever that thread does. */
BOOL WINAPI on_event(DWORD)
{
    if (dying.exchange(true))
        return TRUE;   // the first event's handler ends the process
    HANDLE t = CreateThread(nullptr, 0, last_words, nullptr, 0, nullptr);
    if (t)
        WaitForSingleObject(t, OUTPUT_LAST_WORDS_MS);
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);   // as the default handler
    return TRUE;
}

/* At exit, after the last write: a thread the process ends in the middle of
   a wait makes wine report a client error on stderr. */
void stop_clock(void)
{
    quitting = true;
    SetEvent(wake);
    WaitForSingleObject(clock_thread, 1000);   // it waits 10 ms at the most
}

}  // namespace

void output_end(void)
{
    if (!wake)   // not caught (a console): nothing waits to be written
        TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    on_event(CTRL_CLOSE_EVENT);
    for (;;)
        Sleep(INFINITE);   // another event's handler ends the process
}

// An ignored Ctrl-C (inherited) never reaches a handler, so it stays ignored.
bool output_catch(void)
{
    InitializeCriticalSection(&lock);
    wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!wake)
        return false;
    timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                   TIMER_ALL_ACCESS);
    if (!timer)
        timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    clock_thread = CreateThread(nullptr, 0, clock_main, nullptr, 0, nullptr);
    if (!clock_thread)
        return false;
    std::atexit(stop_clock);
    SetConsoleCtrlHandler(on_event, TRUE);
    return true;
}

void output_arm(void)
{
    armed_at.store(now_ms(), std::memory_order_relaxed);
    output_armed.store(true, std::memory_order_release);
    SetEvent(wake);
}

void output_disarm(void)
{
    // the clock thread finds output_armed false and waits again
}

// Text mode: LF goes out as CR LF, as the stream's do.
int output_write(void)
{
    for (;;) {
        uint32_t head = output_head.load(std::memory_order_relaxed);
        uint32_t used = output_used.load(std::memory_order_acquire);
        if (head >= used)
            return 0;
        int k = _write(1, output_buf + head, used - head);
        if (k > 0)
            output_head.store(head + static_cast<uint32_t>(k), std::memory_order_relaxed);
        else
            return k == 0 ? EIO : errno;
    }
}

void output_lock(void)
{
    if (wake)
        EnterCriticalSection(&lock);
}

void output_unlock(void)
{
    if (wake)
        LeaveCriticalSection(&lock);
}
