/*
 * channel_win32.cpp - the channel over a named pipe quill-debug made with
 * an ACL that admits the user alone.
 */
#include "channel.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {
HANDLE handle_of(const Channel &c)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(c.handle));
}
}  // namespace

bool channel_connect(Channel &c, const char *name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
        if (!ReadFile(handle_of(c), buf, sizeof buf, &n, nullptr) || n == 0)
            return false;
        c.in.append(buf, n);
    }
    return true;
}

bool channel_write(Channel &c, const std::string &line)
{
    std::string out = line + '\n';
    const char *p = out.data();
    std::size_t left = out.size();
    while (left) {
        DWORD n = 0;
        if (!WriteFile(handle_of(c), p, static_cast<DWORD>(left), &n, nullptr) || n == 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}
