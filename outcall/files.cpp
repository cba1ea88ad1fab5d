/*
 * files.cpp - the directory search (13, 14) and the line reader with its
 * file length (15, 16, 17).
 */
#include "outcall_int.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

static DIR *search;                // the open directory search, or null
static char name_pattern[PATH_MAX];
static char found[NAME_MAX + 1];   // the last name found: what assign_str copies

static std::FILE *fp_sl;           // the line reader's file, shared by 15, 16 and 17

// Wildcard match: '*' any run, '?' any one byte, everything else literal.
static bool matches(const char *pat, const char *name)
{
    if (std::strcmp(pat, "*.*") == 0)
        return true;  // scripts use it for "every name", dot or not
    const char *star = nullptr, *resume = nullptr;
    while (*name) {
        if (*pat == '*') {
            star = pat++;
            resume = name;
        } else if (*pat == '?' || *pat == *name) {
            pat++;
            name++;
        } else if (star) {
            pat = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pat == '*')
        pat++;
    return *pat == '\0';
}

static void end_search(void)
{
    closedir(search);
    search = nullptr;
}

// The next entry that matches into found; false (search ended) when none is left.
static bool next_match(void)
{
    while (dirent *entry = readdir(search)) {
        if (matches(name_pattern, entry->d_name)) {
            std::strncpy(found, entry->d_name, sizeof found - 1);
            found[sizeof found - 1] = '\0';
            return true;
        }
    }
    end_search();
    return false;
}

// Opens the directory part of pattern and keeps its name part; false when it can't.
static bool start_search(const char *pattern)
{
    char dir[PATH_MAX];
    const char *slash = std::strrchr(pattern, '/');
    const char *name = slash ? slash + 1 : pattern;
    std::size_t dir_len = slash ? static_cast<std::size_t>(slash - pattern) : 0;
    if (slash && dir_len == 0)
        dir_len = 1;  // "/name": the root directory
    if (dir_len >= sizeof dir || std::strlen(name) >= sizeof name_pattern)
        return false;
    if (slash) {
        std::memcpy(dir, pattern, dir_len);
        dir[dir_len] = '\0';
    } else {
        std::strcpy(dir, ".");
    }
    search = opendir(dir);
    if (!search)
        return false;
    std::strcpy(name_pattern, name);
    return true;
}

int oc_read_dir(const int var[])
{
    if (!assign_str)
        return 0;
    if (!search) {
        const char *pattern = oc_text(var[VAR_F]);
        if (!pattern || !start_search(pattern))
            return 0;
    }
    if (!next_match())
        return 0;
    return oc_return_text(found);
}

int oc_close_dir(void)
{
    if (search)
        end_search();
    return 0;
}

static void close_file(void)
{
    std::fclose(fp_sl);
    fp_sl = nullptr;
}

/* Opens f into the slot; directories are refused, as they are not files to
   read. Only a regular file has a length, and asking for one must not wait
   in the open of a FIFO that has no writer. */
static bool open_file(const char *f, bool for_length)
{
    int fd = open(f, O_RDONLY | O_CLOEXEC | (for_length ? O_NONBLOCK : 0));
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || (for_length && !S_ISREG(st.st_mode))) {
        close(fd);
        return false;
    }
    if (for_length)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);   // 15 reads it next
    std::FILE *fp = fdopen(fd, "r");
    if (!fp) {
        close(fd);
        return false;
    }
    fp_sl = fp;
    return true;
}

int oc_read_file(const int var[])
{
    if (!assign_str)
        return 0;
    if (!fp_sl) {
        const char *f = oc_text(var[VAR_F]);
        if (!f || !open_file(f, false))
            return 0;
    }
    if (!oc_read_line(fp_sl, true)) {
        close_file();
        return 0;
    }
    return oc_return_text(buf);
}

int oc_close_file(void)
{
    if (fp_sl)
        close_file();
    return 0;
}

int oc_file_size(const int var[])
{
    if (!fp_sl) {
        const char *f = oc_text(var[VAR_F]);
        if (!f || !open_file(f, true))
            return 0;
    }
    struct stat st;
    if (fstat(fileno(fp_sl), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    // the result is an int: larger files report the largest one
    return st.st_size > INT_MAX ? INT_MAX : static_cast<int>(st.st_size);
}

#ifdef OUTCALL_SAFE
// Lets a fuzz harness start every input from the state the library loads with.
extern "C" void outcall_reset_state(void)
{
    oc_close_dir();
    oc_close_file();
    std::memset(buf, 0, sizeof buf);
}
#endif
