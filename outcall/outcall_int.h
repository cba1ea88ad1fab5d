/*
 * outcall_int.h - state and helpers shared by the library's service files.
 */
#ifndef OUTCALL_INT_H
#define OUTCALL_INT_H

#include "outcall.h"

#include <cstddef>

// The callback table, null until set_func runs.
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
const char *oc_text(int value);

/* An int array of n elements at value inside the pool, or nullptr. */
const int *oc_array(int value, std::size_t n);

/* Hands a finished text to the host's pool; 0 before set_func. */
int oc_return_text(const char *text);

#endif
