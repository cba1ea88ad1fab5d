/*
 * start_posix.cpp - posix_spawnp, and a thread that reaps a program not
 * waited for.
 */
#include "start.h"

#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>

extern char **environ;

static void wait_child(pid_t pid)
{
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

static void *reaper(void *arg)
{
    wait_child(static_cast<pid_t>(reinterpret_cast<intptr_t>(arg)));
    return nullptr;
}

/* A program that runs on must not stay a zombie when it ends. A thread that
   waits for this one child does that without touching the host's SIGCHLD
   handling or any other child of the host. Without a thread the child stays
   unreaped until the host ends: better than making the script wait. */
static void reap_later(pid_t pid)
{
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return;
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attr, PTHREAD_STACK_MIN + 16384);
    // the thread takes no signal: a host's handlers run on the thread they expect
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    pthread_t thread;
    pthread_create(&thread, &attr, reaper, reinterpret_cast<void *>(static_cast<intptr_t>(pid)));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    pthread_attr_destroy(&attr);
}

void oc_start(const char *program, char *const argv[], bool wait)
{
    pid_t pid;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return;
    if (wait)
        wait_child(pid);
    else
        reap_later(pid);
}
