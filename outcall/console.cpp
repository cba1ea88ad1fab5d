/*
 * console.cpp - standard input lines, the environment, the pause and the beep.
 */
#include "outcall_int.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

void oc_pause_ms(long ms)
{
    if (ms <= 0)
        return;
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int oc_gets_string(void)
{
    if (!assign_str)
        return 0;  // nothing could hold the line: leave it unread
    if (!oc_read_line(stdin, true))
        return 0;
    return oc_return_text(buf);
}

int oc_gets_int(void)
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
    oc_pause_ms(var[VAR_I]);
    return 0;
}

constexpr int BEEP_HZ = 240;
constexpr long BEEP_MS = 100;

static bool is_speaker(int fd)
{
    unsigned long bits = 0;  // SND_TONE is bit 2: one word is enough
    if (ioctl(fd, EVIOCGBIT(EV_SND, sizeof bits), &bits) < 0)
        return false;
    return (bits >> SND_TONE) & 1;
}

// A writable input-event device that can sound a tone, or -1.
static int open_speaker(void)
{
    int fd = open("/dev/input/by-path/platform-pcspkr-event-spkr", O_WRONLY | O_CLOEXEC);
    if (fd >= 0 && is_speaker(fd))
        return fd;
    if (fd >= 0)
        close(fd);
    for (int i = 0; i < 32; i++) {
        char path[32];
        std::snprintf(path, sizeof path, "/dev/input/event%d", i);
        fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (is_speaker(fd))
            return fd;
        close(fd);
    }
    return -1;
}

static void tone(int fd, int hz)
{
    input_event ev{};
    ev.type = EV_SND;
    ev.code = SND_TONE;
    ev.value = hz;
    ssize_t r = write(fd, &ev, sizeof ev);  // best effort: nothing to report
    (void)r;
}

int oc_beep(void)
{
    int fd = open_speaker();
    if (fd >= 0) {
        tone(fd, BEEP_HZ);
        oc_pause_ms(BEEP_MS);
        tone(fd, 0);
        close(fd);
        return 0;
    }
    // the terminal, never our standard streams: those may carry data
    fd = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t r = write(fd, "\a", 1);
        (void)r;
        close(fd);
    }
    oc_pause_ms(BEEP_MS);
    return 0;
}
