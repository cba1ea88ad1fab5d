/*
 * dirsearch_posix.cpp - readdir in the order the directory delivers, with
 * the pattern's name part matched here: '*' any run, '?' any one byte.
 */
#include "dirsearch.h"

#include <dirent.h>
#include <limits.h>

#include <cstring>

static DIR *search;                // the open directory search, or null
static char name_pattern[PATH_MAX];
static char found[NAME_MAX + 1];   // the last name found: what assign_str copies

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

bool oc_dir_next(const char **name)
{
    while (dirent *entry = readdir(search)) {
        if (matches(name_pattern, entry->d_name)) {
            std::strncpy(found, entry->d_name, sizeof found - 1);
            found[sizeof found - 1] = '\0';
            *name = found;
            return true;
        }
    }
    oc_dir_close();
    return false;
}

bool oc_dir_first(const char *pattern, const char **name)
{
    return start_search(pattern) && oc_dir_next(name);
}

void oc_dir_close(void)
{
    closedir(search);
    search = nullptr;
}
