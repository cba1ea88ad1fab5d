/*
 * output.h - the platform half of the output buffer (core/output.cpp):
 * what a terminal is, a clock, and the signals that end a run.
 * output_posix.cpp and output_win32.cpp each provide it.
 */
#ifndef OUTPUT_H
#define OUTPUT_H

#include <atomic>
#include <cstdint>

// The buffer, shared with a signal handler (or Windows' handler thread):
// bytes [0, output_used) wait, always whole prints.
constexpr uint32_t OUTPUT_SIZE = 1 << 16;
extern char output_buf[OUTPUT_SIZE];
extern std::atomic<uint32_t> output_used;

bool output_terminal(void);          // standard output is a terminal (a console)
uint64_t output_now(void);           // a monotonic clock in microseconds, never 0
bool output_library_printed(void);   // stdout may hold bytes of the library's

/* SIGINT, SIGTERM and SIGHUP (Windows: the console's Ctrl-C, Ctrl-Break and
   close) write what waits, then end the run as they would have; one that is
   ignored stays ignored. */
void output_catch(void);
// Around each write of the buffer: a signal meanwhile waits until it is done.
void output_lock(void);
void output_unlock(void);

#endif
