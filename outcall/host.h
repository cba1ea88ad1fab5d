/*
 * host.h - the library's link to its host: the optional pool-range hook,
 * found by name in the running program. host_posix.cpp and host_win32.cpp
 * each provide it.
 */
#ifndef HOST_H
#define HOST_H

#include "outcall.h"

/* The host's OUTCALL_POOL_RANGE_NAME hook, or nullptr when it has none. */
OUTCALL_POOL_RANGE_PTR oc_host_hook(void);

#endif
