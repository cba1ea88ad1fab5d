/*
 * streams_posix.cpp - POSIX streams have no text mode: the input layer
 * translates CR LF and Ctrl-Z itself.
 */
#include "streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

void streams_prepare(void)
{
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // the lowest free descriptor is fd itself; inherited on purpose
            int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (null >= 0 && null != fd)
                close(null);
        }
    }
}

std::FILE *streams_open_script(const char *name)
{
    return std::fopen(name, "re");
}
