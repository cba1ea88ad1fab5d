/*
 * outcall.h - public interface of the outcall extension library.
 * A host hands the library its four pool callbacks with set_func, then
 * calls outcall(no, var) for each numbered service.
 */
#ifndef OUTCALL_H
#define OUTCALL_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(OUTCALL_BUILD)
#    define OUTCALL_API __declspec(dllexport)
#  else
#    define OUTCALL_API __declspec(dllimport)
#  endif
#  define OUTCALL_HOST_API __declspec(dllexport)
#else
/* default visibility survives -fvisibility=hidden; the version script cannot restore it */
#  define OUTCALL_API __attribute__((visibility("default")))
#  define OUTCALL_HOST_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* the text address is intptr_t: library buffers may lie above 4 GiB */
typedef int (*ASSIGN_STR_PTR)(intptr_t str);
typedef int (*ASSIGN_ARRAY_PTR)(void *ptr, int size);
typedef int (*DISPLAY_POOL_PTR)(void);
typedef int (*DISPLAY_POOL_AS_INT_PTR)(int i, int size);

OUTCALL_API void set_func(ASSIGN_STR_PTR p1, ASSIGN_ARRAY_PTR p2,
                          DISPLAY_POOL_PTR p3, DISPLAY_POOL_AS_INT_PTR p4);
OUTCALL_API int outcall(int no, int var[]);

/*
 * Optional host hook, looked up by name at run time (never linked): a host
 * that defines it, exported with OUTCALL_HOST_API, lets the library refuse
 * values that do not lie inside the pool. Without it the library trusts
 * every non-zero value. Once it has named a pool of some size, the library
 * takes that pool to stay where it is.
 */
typedef void (*OUTCALL_POOL_RANGE_PTR)(const char **base, int32_t *size);
#define OUTCALL_POOL_RANGE_NAME "outcall_pool_range"

/*
 * Optional library declaration, looked up by name at run time: a library
 * that exports it answers, for each function number, non-zero when the call
 * can neither show nor read anything: it reads no input, writes to nothing
 * but the C runtime's stdout (and that without flushing it), starts no
 * program, touches no file and does not wait. A host that holds its own
 * output back may then leave it waiting across the call; for a call that
 * gets 0, or from a library without the declaration, it writes first.
 * The answer for a number must not change while the library is loaded.
 */
typedef int (*OUTCALL_QUIET_PTR)(int no);
#define OUTCALL_QUIET_NAME "outcall_quiet"

#ifdef __cplusplus
}
#endif

#endif
