/*
 * openfile.h - the line reader's file: how it is opened and how long it is.
 * openfile_posix.cpp and openfile_win32.cpp each provide it.
 */
#ifndef OPENFILE_H
#define OPENFILE_H

#include <cstdio>

/* path opened for reading as text, never inherited by started programs;
   nullptr when it cannot be opened or is a directory. for_length: only a
   regular file, and the open must not wait (a FIFO without a writer). */
std::FILE *oc_open_text(const char *path, bool for_length);

/* The whole length in bytes of the open file, whatever has been read: 0
   for anything but a regular file, INT_MAX for anything longer. */
int oc_file_length(std::FILE *fp);

#endif
