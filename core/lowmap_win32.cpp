/*
 * lowmap_win32.cpp - the low block from VirtualAlloc: at the fixed address,
 * else in the largest free region below 2 GiB that VirtualQuery reports.
 */
#include "lowmap.h"

#include <windows.h>

constexpr uintptr_t GRANULE = 0x10000;   // VirtualAlloc reserves on 64 KiB bounds

static char *alloc_at(uintptr_t at, std::size_t size)
{
    void *p = VirtualAlloc(reinterpret_cast<void *>(at), size, MEM_RESERVE | MEM_COMMIT,
                           PAGE_READWRITE);
    if (p && reinterpret_cast<uintptr_t>(p) + size <= LOWMAP_LIMIT)
        return static_cast<char *>(p);
    if (p)
        VirtualFree(p, 0, MEM_RELEASE);
    return nullptr;
}

// Start of the largest free region below 2 GiB that holds size bytes, or 0.
static uintptr_t largest_free_region(std::size_t size)
{
    uintptr_t at = GRANULE, best = 0, best_len = 0;
    MEMORY_BASIC_INFORMATION info;
    while (at < LOWMAP_LIMIT &&
           VirtualQuery(reinterpret_cast<void *>(at), &info, sizeof info) == sizeof info) {
        uintptr_t base = reinterpret_cast<uintptr_t>(info.BaseAddress);
        uintptr_t end = base + info.RegionSize;
        if (end > LOWMAP_LIMIT)
            end = LOWMAP_LIMIT;
        uintptr_t start = (base + GRANULE - 1) & ~(GRANULE - 1);
        if (info.State == MEM_FREE && end > start && end - start > best_len) {
            best = start;
            best_len = end - start;
        }
        if (end <= at)
            break;
        at = end;
    }
    return best_len >= size ? best : 0;
}

char *lowmap_create(std::size_t lead, std::size_t size)
{
    if (lead > LOWMAP_MAX_LEAD)
        return nullptr;
    size += GRANULE;   // the lead takes a granule: the unit of VirtualAlloc's addresses
    char *p = alloc_at(LOWMAP_FIRST - GRANULE, size);
    if (!p) {
        uintptr_t region = largest_free_region(size);
        p = region ? alloc_at(region, size) : nullptr;
    }
    return p ? p + GRANULE : nullptr;
}
