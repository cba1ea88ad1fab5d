/*
 * start_win32.cpp - _spawnvp. It joins the arguments into one command line
 * with blanks and nothing else, and the program splits that line again by
 * the runtime's rules: each argument is quoted by those rules first, so
 * that "a b" stays one argument and "" stays an argument at all.
 */
#include "start.h"

#include <process.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

// One argument as the runtime's command-line parser gives it back unchanged.
static std::string quoted(const char *arg)
{
    if (*arg && !std::strpbrk(arg, " \t\n\v\""))
        return arg;
    std::string q = "\"";
    std::size_t backslashes = 0;
    for (const char *p = arg;; p++) {
        if (*p == '\\') {
            backslashes++;
            continue;
        }
        // backslashes count double before a quote, the closing one included
        std::size_t copies = *p == '"' || *p == '\0' ? 2 * backslashes : backslashes;
        q.append(copies, '\\');
        backslashes = 0;
        if (*p == '\0')
            break;
        if (*p == '"')
            q += '\\';
        q += *p;
    }
    return q + '"';
}

void oc_start(const char *program, char *const argv[], bool wait)
{
    std::vector<std::string> args;
    for (char *const *a = argv; *a; a++)
        args.push_back(quoted(*a));
    std::vector<const char *> ptrs;
    for (const std::string &a : args)
        ptrs.push_back(a.c_str());
    ptrs.push_back(nullptr);
    intptr_t r = _spawnvp(wait ? _P_WAIT : _P_NOWAIT, program, ptrs.data());
    if (!wait && r != -1)
        CloseHandle(reinterpret_cast<HANDLE>(r));   // it runs on; we keep nothing of it
}
