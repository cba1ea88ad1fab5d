// The service catalogue (outcall/services.h) and the library agree: the
// library serves every number the catalogue lists, and no other.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "outcall.h"
#include "services.h"

#ifdef _WIN32
#include <io.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int fd_dup(int fd) { return _dup(fd); }
int fd_dup2(int from, int to) { return _dup2(from, to); }
int fd_close(int fd) { return _close(fd); }
int fd_of(FILE *f) { return _fileno(f); }
#else
int fd_dup(int fd) { return dup(fd); }
int fd_dup2(int from, int to) { return dup2(from, to); }
int fd_close(int fd) { return close(fd); }
int fd_of(FILE *f) { return fileno(f); }
#endif

// What func no prints with every variable 0 and no input. On POSIX it
// runs in a child without a terminal, so a beep sounds nowhere.
std::string printed_by(int no)
{
    std::fflush(stdout);
    FILE *out = std::tmpfile();
    if (!out)
        return "no temporary file";
    int saved = fd_dup(1);
    fd_dup2(fd_of(out), 1);
#ifdef _WIN32
    if (std::freopen("NUL", "r", stdin)) {
        int var[26] = {};
        outcall(no, var);
    }
    std::fflush(stdout);
#else
    pid_t child = fork();
    if (child == 0) {
        setsid();
        int var[26] = {};
        if (std::freopen("/dev/null", "r", stdin))
            outcall(no, var);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
#endif
    fd_dup2(saved, 1);
    fd_close(saved);
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(out);
    return text;
}

TEST(Services, TheLibraryServesEveryNumberOfTheCatalogueAndNoOther)
{
    std::set<int> listed;
    for (const OutcallService &s : OUTCALL_CATALOGUE)
        listed.insert(s.number);
    std::set<int> asked = {INT32_MIN, -1000, 1000, INT32_MAX};
    for (int no = -30; no <= 50; no++)
        asked.insert(no);
    for (int no : asked) {
        bool served = printed_by(no).find("Invalid Function No!") == std::string::npos;
        EXPECT_EQ(served, listed.count(no) == 1) << "func " << no;
    }
}

}  // namespace
