/*
 * lowmap_posix.cpp - the low block from mmap: at a fixed hint, else in the
 * largest free hole below 2 GiB, else wherever MAP_32BIT puts it.
 */
#include "lowmap.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>

static void *map_at(uintptr_t at, std::size_t size, int extra)
{
    void *p = mmap(reinterpret_cast<void *>(at), size, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | extra, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

static bool fits_low(void *p, std::size_t size)
{
    return p && reinterpret_cast<uintptr_t>(p) + size <= LOWMAP_LIMIT;
}

// The largest hole below 2 GiB in our own address space, or 0.
static uintptr_t largest_low_hole(std::size_t size)
{
    FILE *maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return 0;
    uintptr_t prev_end = 0x10000, best = 0, best_len = 0;
    char line[512];
    auto consider = [&](uintptr_t start) {
        if (start > LOWMAP_LIMIT)
            start = LOWMAP_LIMIT;
        if (start > prev_end && start - prev_end > best_len) {
            best = prev_end;
            best_len = start - prev_end;
        }
    };
    while (std::fgets(line, sizeof line, maps)) {
        uintptr_t lo, hi;
        if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR, &lo, &hi) != 2)
            continue;
        consider(lo);
        if (hi > prev_end)
            prev_end = hi;
        if (prev_end >= LOWMAP_LIMIT)
            break;
    }
    if (prev_end < LOWMAP_LIMIT)
        consider(LOWMAP_LIMIT);
    std::fclose(maps);
    return best_len >= size ? best : 0;
}

// The whole block, lead included: at, else anywhere low; nullptr if neither.
static char *map_low(uintptr_t at, std::size_t size)
{
    void *p = map_at(at, size, MAP_FIXED_NOREPLACE);
    if (p == reinterpret_cast<void *>(at) && fits_low(p, size))
        return static_cast<char *>(p);
    if (p)
        munmap(p, size);
    uintptr_t hole = largest_low_hole(size);
    if (hole) {
        p = map_at(hole, size, MAP_FIXED_NOREPLACE);
        if (p == reinterpret_cast<void *>(hole) && fits_low(p, size))
            return static_cast<char *>(p);
        if (p)
            munmap(p, size);
    }
    p = map_at(0, size, MAP_32BIT);
    if (fits_low(p, size))
        return static_cast<char *>(p);
    if (p)
        munmap(p, size);
    return nullptr;
}

char *lowmap_create(std::size_t lead, std::size_t size)
{
    std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));   // the lead takes one
    if (lead > LOWMAP_MAX_LEAD || page < LOWMAP_MAX_LEAD)
        return nullptr;
    char *block = map_low(LOWMAP_FIRST - page, page + size);
    return block ? block + page : nullptr;
}
