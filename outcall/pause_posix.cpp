/*
 * pause_posix.cpp - nanosleep, and the beep on the PC speaker's input-event
 * device or, failing that, as a BEL on the controlling terminal.
 */
#include "pause.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

constexpr int BEEP_HZ = 240;
constexpr long BEEP_MS = 100;

void oc_pause(long ms)
{
    if (ms <= 0)
        return;
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

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

void oc_tone(void)
{
    int fd = open_speaker();
    if (fd >= 0) {
        tone(fd, BEEP_HZ);
        oc_pause(BEEP_MS);
        tone(fd, 0);
        close(fd);
        return;
    }
    // the terminal, never our standard streams: those may carry data
    fd = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t r = write(fd, "\a", 1);
        (void)r;
        close(fd);
    }
    oc_pause(BEEP_MS);
}
