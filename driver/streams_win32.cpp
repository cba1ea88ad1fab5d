/*
 * streams_win32.cpp - the runtime's text mode: CR LF in, CR LF out, as a
 * Windows console program reads and writes.
 */
#include "streams.h"

#include <fcntl.h>
#include <io.h>

#include <cstdint>

// The runtime keeps 0, 1 and 2 open without a handle when it was given none.
static bool closed(int fd)
{
    intptr_t h = _get_osfhandle(fd);
    return h == -1 || h == -2 || h == 0;
}

void streams_prepare(void)
{
    for (int fd = 0; fd <= 2; fd++) {
        if (!closed(fd))
            continue;
        // inherited on purpose, as a started program's standard stream
        int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (null >= 0 && null != fd) {
            _dup2(null, fd);
            _close(null);
        }
    }
    for (int fd = 0; fd <= 2; fd++)
        _setmode(fd, _O_TEXT);
}

std::FILE *streams_open_script(const char *name)
{
    int fd = _open(name, _O_RDONLY | _O_TEXT | _O_NOINHERIT);
    if (fd < 0)
        return nullptr;
    std::FILE *fp = _fdopen(fd, "rt");
    if (!fp)
        _close(fd);
    return fp;
}
