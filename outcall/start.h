/*
 * start.h - starting a program found along PATH. start_posix.cpp and
 * start_win32.cpp each provide it.
 */
#ifndef START_H
#define START_H

/* Starts program with the argument vector argv (ended by nullptr), each
   element reaching it unchanged; where that cannot be (a batch file on
   Windows), nothing starts. wait: return when it has ended; else
   return at once and leave nothing of it behind when it ends. Failures are
   not reported. */
void oc_start(const char *program, char *const argv[], bool wait);

#endif
