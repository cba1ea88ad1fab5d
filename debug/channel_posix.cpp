/*
 * channel_posix.cpp - the channel over a Unix stream socket.
 */
#include "channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool channel_connect(Channel &c, const char *name)
{
    sockaddr_un at{};
    at.sun_family = AF_UNIX;
    if (std::strlen(name) >= sizeof at.sun_path)
        return false;
    std::strcpy(at.sun_path, name);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (connect(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0) {
        close(fd);
        return false;
    }
    c.handle = fd;
    return true;
}

bool channel_read_line(Channel &c, std::string *line)
{
    while (!channel_take_line(c, line)) {
        char buf[4096];
        ssize_t n = read(static_cast<int>(c.handle), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        c.in.append(buf, static_cast<std::size_t>(n));
    }
    return true;
}

bool channel_write(Channel &c, const std::string &line)
{
    std::string out = line + '\n';
    const char *p = out.data();
    std::size_t left = out.size();
    while (left) {
        ssize_t n = send(static_cast<int>(c.handle), p, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}
