/*
 * console.cpp - standard input lines, the environment, the pause and the beep.
 */
#include "outcall_int.h"

#include "pause.h"

#include <cstdlib>
#include <cstring>

constexpr int LINE_MAX_READ = 1000;   // fgets size: 999 bytes of text per call

/* One piece of a line, as a text-mode fgets of size 1000 reads it: CR LF
   counts as one LF, and bytes are counted, not measured with strlen, so a
   NUL inside the line cannot move the line's end. */
bool oc_read_line(std::FILE *fp, bool cut)
{
    int n = 0;
    int c;
    while (n < LINE_MAX_READ - 1 && (c = std::getc(fp)) != EOF) {
        if (c == '\r') {
            int next = std::getc(fp);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, fp);
        }
        buf[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (n == 0)
        return false;
    buf[n] = '\0';
    if (cut) {
        char *lf = std::strchr(buf, '\n');
        if (lf)
            *lf = '\0';
    }
    return true;
}

int oc_gets_string(const int[])
{
    if (!assign_str)
        return 0;  // nothing could hold the line: leave it unread
    if (!oc_read_line(stdin, true))
        return 0;
    return oc_return_text(buf);
}

int oc_gets_int(const int[])
{
    if (!oc_read_line(stdin, false))
        return 0;
    return oc_atoi(buf);
}

int oc_getenv(const int var[])
{
    const char *name = oc_text(var[VAR_E]);
    if (!name)
        return 0;
    const char *value = std::getenv(name);
    if (!value)
        return 0;
    return oc_return_text(value);
}

int oc_sleep(const int var[])
{
    oc_pause(var[VAR_I]);
    return 0;
}

int oc_beep(const int[])
{
    oc_tone();
    return 0;
}
