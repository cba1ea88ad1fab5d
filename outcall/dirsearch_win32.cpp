/*
 * dirsearch_win32.cpp - FindFirstFileA and FindNextFileA: their wildcards,
 * their order and their names, as Windows scripts know them.
 */
#include "dirsearch.h"

#include <windows.h>

static HANDLE hFile = INVALID_HANDLE_VALUE;   // the open search
static WIN32_FIND_DATAA data;                 // cFileName: the last name found

bool oc_dir_first(const char *pattern, const char **name)
{
    hFile = FindFirstFileA(pattern, &data);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    *name = data.cFileName;
    return true;
}

bool oc_dir_next(const char **name)
{
    if (FindNextFileA(hFile, &data)) {
        *name = data.cFileName;
        return true;
    }
    oc_dir_close();
    return false;
}

void oc_dir_close(void)
{
    FindClose(hFile);
    hFile = INVALID_HANDLE_VALUE;
}
