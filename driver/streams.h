/*
 * streams.h - the standard streams at start-up and the script's own stream.
 * streams_posix.cpp and streams_win32.cpp each provide them.
 */
#ifndef STREAMS_H
#define STREAMS_H

#include <cstdio>

/* Puts the null device on a closed 0, 1 or 2, so nothing we open takes
   their place. Where streams have a text mode, all three go into it: input
   is read as text, and a line feed goes out as the platform's line end. */
void streams_prepare(void);

/* The script file, opened for reading as text; programs started later do
   not inherit it. Null when it cannot be opened. */
std::FILE *streams_open_script(const char *name);

#endif
