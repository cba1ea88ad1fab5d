/*
 * host_posix.cpp - the hook among the program's dynamic symbols.
 */
#include "host.h"

#include <dlfcn.h>

OUTCALL_POOL_RANGE_PTR oc_host_hook(void)
{
    return reinterpret_cast<OUTCALL_POOL_RANGE_PTR>(dlsym(RTLD_DEFAULT, OUTCALL_POOL_RANGE_NAME));
}
