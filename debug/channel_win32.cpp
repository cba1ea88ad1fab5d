/*
 * channel_win32.cpp - the channel over a named pipe quill-debug made with
 * an ACL that admits the user alone. The agent's thread waits in a read
 * while the run writes: on a handle opened for overlapped I/O, as Windows
 * queues a synchronous handle's write behind its pending read.
 */
#include "channel.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {
HANDLE handle_of(const Channel &c)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(c.handle));
}

// One read or write, waited for; false when it failed (the other side gone).
bool transfer(const Channel &c, bool write, void *buf, DWORD len, DWORD *done)
{
    thread_local HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event)
        return false;
    OVERLAPPED o{};
    o.hEvent = event;
    BOOL ok = write ? WriteFile(handle_of(c), buf, len, nullptr, &o) : ReadFile(handle_of(c), buf, len, nullptr, &o);
    if (!ok && GetLastError() != ERROR_IO_PENDING)
        return false;
    return GetOverlappedResult(handle_of(c), &o, done, TRUE);
}
}  // namespace

bool channel_connect(Channel &c, const char *name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    c.handle = static_cast<long>(reinterpret_cast<intptr_t>(h));
    return true;
}

bool channel_read_line(Channel &c, std::string *line)
{
    while (!channel_take_line(c, line)) {
        char buf[4096];
        DWORD n = 0;
        if (!transfer(c, false, buf, sizeof buf, &n) || n == 0)
            return false;
        c.in.append(buf, n);
    }
    return true;
}

bool channel_write(Channel &c, const std::string &line)
{
    std::string out = line + '\n';
    char *p = out.data();
    std::size_t left = out.size();
    while (left) {
        DWORD n = 0;
        if (!transfer(c, true, p, static_cast<DWORD>(left), &n) || n == 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}
