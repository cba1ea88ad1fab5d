/*
 * output.h - the platform half of the output buffer (core/output.cpp):
 * what a terminal is, the clock that writes what waits, and the signals
 * that end a run. output_posix.cpp and output_win32.cpp each provide it.
 */
#ifndef OUTPUT_H
#define OUTPUT_H

#include <atomic>
#include <cstdint>

#include "outcall.h"

/* Bytes [output_head, output_used) of the buffer wait, always whole prints.
   The main thread appends at output_used and, between output_lock and
   output_unlock, writes and empties the buffer. The clock and the signals
   (on Windows, threads of their own) write only while it is outside, and
   only move output_head up. */
constexpr uint32_t OUTPUT_SIZE = 1 << 16;
extern char output_buf[OUTPUT_SIZE];
extern std::atomic<uint32_t> output_head;
extern std::atomic<uint32_t> output_used;
extern std::atomic<bool> output_armed;   // the clock will write what waits
extern std::atomic<int> output_failed;   // the clock's write failed: its errno,
extern std::atomic<bool> output_attention;   // and the main thread's next look ends the run

constexpr long OUTPUT_WAIT_MS = 10;      // the longest a print waits while the script computes
constexpr long OUTPUT_LAST_WORDS_MS = 50;   // what a signal that ends the run leaves for writing

bool output_terminal(void);          // standard output is a terminal (a console)
bool output_library_printed(void);   // stdout may hold bytes of the library's, or its error
// The library's declaration of the calls that show and read nothing, or null.
OUTCALL_QUIET_PTR output_find_quiet(void);

/* Starts the clock and catches every signal that would end the run (Windows:
   the console's Ctrl-C, Ctrl-Break and close) so that what waits is written
   first; one ignored when quill started stays ignored. False: no clock here,
   so nothing may wait. */
bool output_catch(void);
#ifdef _WIN32
// Ends the run as the console's Ctrl-C would, what waits written first: a
// debugger's terminate, for which Windows has no signal.
[[noreturn]] void output_end(void);
#endif
void output_arm(void);      // what waits now is written OUTPUT_WAIT_MS from now
void output_disarm(void);   // nothing waits: the clock must not interrupt what follows

// Writes [output_head, output_used), moving output_head: 0 or the errno.
// Only between output_lock and output_unlock.
int output_write(void);
void output_lock(void);
void output_unlock(void);   // a signal that came meanwhile ends the run here

#endif
