/*
 * process.cpp - starting a program, waiting for it or letting it run on.
 */
#include "outcall_int.h"

#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

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
    pthread_t thread;
    pthread_create(&thread, &attr, reaper, reinterpret_cast<void *>(static_cast<intptr_t>(pid)));
    pthread_attr_destroy(&attr);
}

/* The argument vector at value: pool text addresses ended by a 0 element.
   False when the array or any of its texts does not lie in the pool. */
static bool collect_args(int value, std::vector<char *> *args)
{
    for (std::size_t n = 1;; n++) {
        const int *elems = oc_array(value, n);
        if (!elems)
            return false;
        int elem;
        std::memcpy(&elem, elems + (n - 1), sizeof elem);  // arrays need not be aligned
        if (elem == 0)
            break;
        const char *text = oc_text(elem);
        if (!text)
            return false;
        args->push_back(const_cast<char *>(text));
    }
    args->push_back(nullptr);
    return true;
}

int oc_execute(const int var[])
{
    const char *program = oc_text(var[VAR_E]);
    if (!program)
        return 0;
    std::vector<char *> args;
    if (var[VAR_A] == 0) {
        args.push_back(const_cast<char *>(program));
        args.push_back(nullptr);
    } else if (!collect_args(var[VAR_A], &args) || args.size() < 2) {
        return 0;  // an empty vector has no program name: nothing starts
    }
    // what the script printed comes before anything the program prints
    std::fflush(stdout);
    pid_t pid;
    if (posix_spawnp(&pid, program, nullptr, nullptr, args.data(), environ) != 0)
        return 0;
    if (var[VAR_T] != 0)
        wait_child(pid);
    else
        reap_later(pid);
    return 0;
}
