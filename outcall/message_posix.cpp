/*
 * message_posix.cpp - no windows here: a receiver is a Unix-domain socket
 * named by the title, and the clipboard is a desktop helper's.
 */
#include "message.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char **environ;

/* Without XDG_RUNTIME_DIR the sockets live in a folder of this user's own:
   in bare /tmp anybody could create the name first and read our messages. */
static bool private_folder(char *dir, std::size_t size)
{
    uid_t uid = geteuid();
    int n = std::snprintf(dir, size, "/tmp/outcall-%u", static_cast<unsigned>(uid));
    if (n <= 0 || static_cast<std::size_t>(n) >= size)
        return false;
    if (mkdir(dir, 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return lstat(dir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
           (st.st_mode & 077) == 0;
}

// The receiver's socket path for title w; false when it does not fit.
static bool receiver_path(const char *w, sockaddr_un *addr)
{
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    int n;
    if (std::strchr(w, '/')) {
        n = std::snprintf(addr->sun_path, sizeof addr->sun_path, "%s", w);
    } else {
        char own[64];
        const char *dir = std::getenv("XDG_RUNTIME_DIR");
        if (!dir || !*dir) {
            if (!private_folder(own, sizeof own))
                return false;
            dir = own;
        }
        n = std::snprintf(addr->sun_path, sizeof addr->sun_path, "%s/%s", dir, w);
    }
    return n > 0 && static_cast<std::size_t>(n) < sizeof addr->sun_path;
}

// A window is only found in the caller's own session: only our own user may receive.
static bool same_user(int fd)
{
    ucred peer;
    socklen_t len = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0 && len == sizeof peer &&
           peer.uid == geteuid();
}

static bool send_all(int fd, const char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t k = send(fd, p, n, MSG_NOSIGNAL);  // a receiver that left must not kill us
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

void oc_deliver(const char *w, const char *m)
{
    sockaddr_un addr;
    if (!receiver_path(w, &addr))
        return;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    int r;
    do {
        r = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    } while (r < 0 && errno == EINTR);
    if (r == 0 && same_user(fd) && send_all(fd, m, std::strlen(m) + 1)) {
        shutdown(fd, SHUT_WR);
        // the receiver closes once it has handled the message
        char sink[256];
        ssize_t k;
        while ((k = recv(fd, sink, sizeof sink, 0)) > 0 || (k < 0 && errno == EINTR)) {
        }
    }
    close(fd);
}

/* Writes text to fd without SIGPIPE reaching the host when the reader has
   gone: the signal is blocked on this thread and any one we raised is taken
   back before the mask is restored. */
static void write_text(int fd, const char *text, std::size_t n)
{
    sigset_t pipe_set, old, pending;
    sigemptyset(&pipe_set);
    sigaddset(&pipe_set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_set, &old);
    sigpending(&pending);
    bool was_pending = sigismember(&pending, SIGPIPE);
    bool broken = false;
    while (n > 0) {
        ssize_t k = write(fd, text, n);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0) {
            broken = errno == EPIPE;
            break;
        }
        text += k;
        n -= static_cast<std::size_t>(k);
    }
    if (broken && !was_pending) {
        timespec zero{0, 0};
        while (sigtimedwait(&pipe_set, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

/* Runs one clipboard helper with text on its standard input; true when it
   took the text. The helper leaves a process behind that serves the
   clipboard; it gets /dev/null for output, or a caller capturing ours would
   wait for that process to end. */
static bool run_helper(char *const argv[], const char *text)
{
    int pipefd[2];
    if (pipe2(pipefd, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid;
    int r = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipefd[0]);
    if (r != 0) {
        close(pipefd[1]);
        return false;
    }
    write_text(pipefd[1], text, std::strlen(text));
    close(pipefd[1]);
    int status;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void oc_clipboard(const char *p)
{
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const char *x11 = std::getenv("DISPLAY");
    if (wayland && *wayland) {
        char *const wl[] = {const_cast<char *>("wl-copy"), nullptr};
        if (run_helper(wl, p))
            return;
    }
    if (x11 && *x11) {
        char *const xclip[] = {const_cast<char *>("xclip"), const_cast<char *>("-selection"),
                               const_cast<char *>("clipboard"), nullptr};
        char *const xsel[] = {const_cast<char *>("xsel"), const_cast<char *>("--clipboard"),
                              const_cast<char *>("--input"), nullptr};
        if (!run_helper(xclip, p))
            run_helper(xsel, p);
    }
}
