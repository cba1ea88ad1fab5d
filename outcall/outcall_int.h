/*
 * outcall_int.h - state and helpers shared by the library's service files.
 * The platform's part of each service sits behind a header of its own.
 */
#ifndef OUTCALL_INT_H
#define OUTCALL_INT_H

#include "outcall.h"

#include <cstddef>
#include <cstdio>

#ifdef OUTCALL_SAFE
// Linked statically beside the host, the table must not take the host's names.
#define assign_str oc_cb_assign_str
#define assign_array oc_cb_assign_array
#define display_pool oc_cb_display_pool
#define display_pool_as_int oc_cb_display_pool_as_int
#endif

// poolcheck.cpp: the callback table, null until set_func runs.
extern ASSIGN_STR_PTR assign_str;
extern ASSIGN_ARRAY_PTR assign_array;
extern DISPLAY_POOL_PTR display_pool;
extern DISPLAY_POOL_AS_INT_PTR display_pool_as_int;

constexpr int BUF_SIZE = 1024;
extern char buf[BUF_SIZE];   // work text buffer, keeps its last content between calls

// Variable letters as indexes into var.
constexpr int VAR_A = 0, VAR_C = 2, VAR_E = 4, VAR_F = 5, VAR_I = 8, VAR_M = 12,
              VAR_P = 15, VAR_S = 18, VAR_T = 19, VAR_W = 22;

/* A value from a variable as a text inside the host's pool, or nullptr when
   it is 0 or does not designate a NUL-terminated text there. */
const char *oc_text(int value, std::size_t *len = nullptr);   // len: its length

/* An int array of n elements at value inside the pool, or nullptr. */
const int *oc_array(int value, std::size_t n);

/* Hands a finished text to the host's pool; 0 before set_func. */
int oc_return_text(const char *text);

/* atoi with the result held inside int instead of overflowing. */
int oc_atoi(const char *text);

/* Reads one line piece of at most 999 bytes into buf, a CR before the LF
   dropped; cut removes the LF and what follows. False at end or on error. */
bool oc_read_line(std::FILE *fp, bool cut);

// The services, by the number services.h gives each; all take the variables.

// console.cpp
int oc_gets_string(const int var[]);     // 1
int oc_gets_int(const int var[]);        // 2
int oc_getenv(const int var[]);           // 3
int oc_sleep(const int var[]);            // 8
int oc_beep(const int var[]);            // 18

// text.cpp
int oc_strcmp(const int var[]);           // 4
int oc_atoi_text(const int var[]);        // 9
int oc_itoa(const int var[]);             // 10
int oc_strcat(const int var[]);           // 11

// process.cpp
int oc_execute(const int var[]);          // 5
int oc_send_message(const int var[]);     // 7
int oc_send_clipboard(const int var[]);   // 12

// files.cpp
int oc_read_dir(const int var[]);         // 13
int oc_close_dir(const int var[]);       // 14
int oc_read_file(const int var[]);        // 15
int oc_close_file(const int var[]);      // 16
int oc_file_size(const int var[]);        // 17

#endif
