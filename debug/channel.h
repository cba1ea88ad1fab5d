/*
 * channel.h - the private line between quill-debug and the quill it runs:
 * a local socket in a directory only the user can enter (a named pipe on
 * Windows). One line is one message.
 */
#ifndef CHANNEL_H
#define CHANNEL_H

#include <string>

struct Channel {
    long handle = -1;     // the descriptor (a HANDLE on Windows)
    std::string in;       // bytes read that do not end a line yet
};

// A whole line already read, taken off the buffer.
inline bool channel_take_line(Channel &c, std::string *line)
{
    std::size_t end = c.in.find('\n');
    if (end == std::string::npos)
        return false;
    line->assign(c.in, 0, end);
    c.in.erase(0, end + 1);
    return true;
}

bool channel_connect(Channel &c, const char *name);   // quill's side
// The next line (without its line feed); false once the other side is gone.
bool channel_read_line(Channel &c, std::string *line);
bool channel_write(Channel &c, const std::string &line);   // the line feed added

#endif
