/*
 * dirsearch.h - the one directory search of functions 13 and 14: a
 * pattern with the wildcards * and ?, one entry name after another.
 * dirsearch_posix.cpp and dirsearch_win32.cpp each provide it.
 */
#ifndef DIRSEARCH_H
#define DIRSEARCH_H

/* Starts the search; the first name in *name. False, nothing left open,
   when it cannot start or nothing matches. */
bool oc_dir_first(const char *pattern, const char **name);

/* The next name of the open search; false at its end, which closes it. */
bool oc_dir_next(const char **name);

/* Closes the open search. */
void oc_dir_close(void);

#endif
