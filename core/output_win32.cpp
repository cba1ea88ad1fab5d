/*
 * output_win32.cpp - a console is what a terminal is elsewhere. Ctrl-C,
 * Ctrl-Break and closing the console reach a handler on a thread of its
 * own: it takes the lock the main thread writes under, writes the buffer,
 * keeps the lock and lets the default handler end the process.
 */
#include "output.h"

#include <windows.h>
#include <io.h>

#include <cstdio>

bool output_terminal(void)
{
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout)));
    DWORD mode;
    return GetConsoleMode(h, &mode) != 0;
}

uint64_t output_now(void)
{
    static uint64_t freq;
    if (!freq) {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        freq = static_cast<uint64_t>(f.QuadPart);
    }
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    uint64_t n = static_cast<uint64_t>(c.QuadPart);
    return n / freq * 1000000 + n % freq * 1000000 / freq + 1;   // no overflow after weeks up
}

bool output_library_printed(void)
{
    return true;   // the runtime's stream cannot be asked: flush
}

namespace {

CRITICAL_SECTION lock;
bool caught;   // the handler is in place, so writes take the lock

BOOL WINAPI on_event(DWORD)
{
    EnterCriticalSection(&lock);   // never left: the process ends
    const char *p = output_buf;
    unsigned n = output_used.load(std::memory_order_acquire);
    while (n) {
        int k = _write(1, p, n);   // text mode: LF goes out as CR LF, as the stream's do
        if (k <= 0)
            break;
        p += k;
        n -= static_cast<unsigned>(k);
    }
    return FALSE;   // on to the default handler, which ends the process
}

}  // namespace

// An ignored Ctrl-C (inherited) never reaches a handler, so it stays ignored.
void output_catch(void)
{
    InitializeCriticalSection(&lock);
    caught = true;
    SetConsoleCtrlHandler(on_event, TRUE);
}

void output_lock(void)
{
    if (caught)
        EnterCriticalSection(&lock);
}

void output_unlock(void)
{
    if (caught)
        LeaveCriticalSection(&lock);
}
