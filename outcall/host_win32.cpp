/*
 * host_win32.cpp - the hook among the exports of the program's own module.
 */
#include "host.h"

#include <windows.h>

OUTCALL_POOL_RANGE_PTR oc_host_hook(void)
{
    FARPROC hook = GetProcAddress(GetModuleHandleA(nullptr), OUTCALL_POOL_RANGE_NAME);
    return reinterpret_cast<OUTCALL_POOL_RANGE_PTR>(reinterpret_cast<void (*)(void)>(hook));
}
