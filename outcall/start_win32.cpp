/*
 * start_win32.cpp - _spawnv on the program that _spawnvp would find. It
 * joins the arguments into one command line with blanks and nothing else,
 * and the program splits that line again by the runtime's rules: each
 * argument is quoted by those rules first, so that "a b" stays one argument
 * and "" stays an argument at all.
 *
 * A batch file is different: Windows runs it through cmd.exe, which reads
 * & | < > ^ %VAR% and quotes in that line itself. It gets a command line
 * for cmd.exe built here, or does not start.
 */
#include "start.h"

#include <process.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// cmd.exe takes no longer command; a cut line would move its quotes
static const std::size_t CMD_LINE_MAX = 8191;

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

/* One folder ("" for the current one) searched as the runtime does: a name
   with an extension as it is, one without only with each of the four. */
static bool find_in(const std::string &dir, const char *name, std::string *found)
{
    static const char *const suffixes[] = {".com", ".exe", ".bat", ".cmd"};
    const char *base = name + std::strlen(name);
    while (base > name && !std::strchr("\\/:", base[-1]))
        base--;
    std::string path = dir + name;
    if (std::strchr(base, '.')) {
        *found = path;
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    for (const char *suffix : suffixes) {
        *found = path + suffix;
        if (GetFileAttributesA(found->c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

/* The program as _spawnvp finds it: the name itself, then, for a name
   without a folder of its own, in each folder of PATH. Starting what was
   found, not the name, means nothing found later can run in its place. */
static bool find_program(const char *name, std::string *found)
{
    if (!*name)
        return false;
    if (find_in("", name, found))
        return true;
    if (std::strpbrk(name, "\\/") || name[1] == ':')
        return false;
    const char *path = std::getenv("PATH");
    while (path && *path) {
        std::size_t len = std::strcspn(path, ";");
        std::string dir;
        for (std::size_t i = 0; i < len; i++)
            if (path[i] != '"')   // a folder with blanks may stand in quotes
                dir += path[i];
        path += len + (path[len] == ';');
        if (dir.empty())
            continue;
        if (dir.back() != '\\' && dir.back() != '/')
            dir += '\\';
        if (find_in(dir, name, found))
            return true;
    }
    return false;
}

/* Windows drops the dots and blanks that end a name, so "x.bat." and
   "x.bat " open x.bat and run it as the batch file it is. */
static std::string trimmed(std::string path)
{
    while (!path.empty() && (path.back() == '.' || path.back() == ' '))
        path.pop_back();
    return path;
}

static bool is_batch(const std::string &path)
{
    std::string p = trimmed(path);
    if (p.size() < 4)
        return false;
    const char *ext = p.c_str() + p.size() - 4;
    return _stricmp(ext, ".bat") == 0 || _stricmp(ext, ".cmd") == 0;
}

/* Whether cmd.exe leaves text between quotes as it is. It expands %...%
   before it looks at quotes, and has no escape for % there; it drops CR,
   and ends the command at LF; a " would end the quotes, and no batch file
   gets one back. Tab is as literal there as a blank. Text the code page
   cannot convert is refused too: cmd.exe reads the line converted. */
static bool batch_safe(const char *text)
{
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++)
        if (*p == '"' || *p == '%' || (*p < ' ' && *p != '\t'))
            return false;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0) != 0;
}

/* The command line that runs the batch file script with args, each of
   which the batch file then sees in quotes: %1 is "arg" and %~1 is arg
   exactly; %0 is the file's full path. False when something cannot pass.

   cmd.exe /s /c strips the outer pair of quotes and nothing else. Inside
   it, the path and every argument stand in quotes of their own, with no
   quote within, so every & | < > ^ ( ) , ; = and blank lies between quotes,
   where cmd.exe takes it literally and the batch file's %1 keeps it whole.
   /d: no AutoRun commands from the registry; /v:OFF: ! stays a character;
   /e:ON: %~1 works whatever the registry says. */
static bool batch_line(const std::string &script, char *const args[], std::string *line)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(script.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full)
        return false;
    std::string path = trimmed(full);
    if (!batch_safe(path.c_str()))
        return false;
    *line = "cmd.exe /d /e:ON /v:OFF /s /c \"\"" + path + "\"";
    for (char *const *a = args; *a; a++) {
        if (!batch_safe(*a))
            return false;
        *line += " \"" + std::string(*a) + "\"";
    }
    *line += "\"";
    return line->size() <= CMD_LINE_MAX;
}

static void spawn(const std::string &path, const std::vector<std::string> &args, bool wait)
{
    std::vector<const char *> ptrs;
    for (const std::string &a : args)
        ptrs.push_back(a.c_str());
    ptrs.push_back(nullptr);
    intptr_t r = _spawnv(wait ? _P_WAIT : _P_NOWAIT, path.c_str(), ptrs.data());
    if (!wait && r != -1)
        CloseHandle(reinterpret_cast<HANDLE>(r));   // it runs on; we keep nothing of it
}

void oc_start(const char *program, char *const argv[], bool wait)
{
    std::string path;
    if (!find_program(program, &path))
        return;
    std::vector<std::string> args;
    if (is_batch(path)) {
        // the quoting is for cmd.exe, and COMSPEC may name another shell
        char cmd[MAX_PATH];
        UINT n = GetSystemDirectoryA(cmd, MAX_PATH - 8);
        std::string line;
        if (n == 0 || n >= MAX_PATH - 8 || !batch_line(path, argv + 1, &line))
            return;
        args.push_back(line);   // _spawnv adds nothing to a single element
        spawn(std::string(cmd) + "\\cmd.exe", args, wait);
        return;
    }
    for (char *const *a = argv; *a; a++)
        args.push_back(quoted(*a));
    spawn(path, args, wait);
}
