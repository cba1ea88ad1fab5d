/*
 * poolcheck.cpp - the host's pool as the services see it: the callback
 * table, the work buffer, and the checks that keep every service inside
 * the pool.
 */
#include "outcall_int.h"

#include "host.h"

#include <cstdint>
#include <cstring>

ASSIGN_STR_PTR assign_str;
ASSIGN_ARRAY_PTR assign_array;
DISPLAY_POOL_PTR display_pool;
DISPLAY_POOL_AS_INT_PTR display_pool_as_int;
char buf[BUF_SIZE];

static OUTCALL_POOL_RANGE_PTR pool_range;  // the host's hook, if it has one
static bool pool_range_looked_up;
static const char *pool_lo, *pool_hi;      // its answer, once it names a pool

// Byte range [lo, hi) of the pool, or false when the host does not say.
static bool pool_bounds(const char **lo, const char **hi)
{
    if (pool_hi) {   // a pool never moves: asked once
        *lo = pool_lo;
        *hi = pool_hi;
        return true;
    }
    if (!pool_range_looked_up) {
        pool_range = oc_host_hook();
        pool_range_looked_up = true;
    }
    if (!pool_range)
        return false;
    const char *base = nullptr;
    int32_t size = 0;
    pool_range(&base, &size);
    *lo = base;
    *hi = base + (size > 0 ? size : 0);
    if (size > 0) {
        pool_lo = *lo;
        pool_hi = *hi;
    }
    return true;
}

static const char *as_address(int value)
{
    return reinterpret_cast<const char *>(static_cast<uintptr_t>(static_cast<uint32_t>(value)));
}

const char *oc_text(int value, std::size_t *len)
{
    if (value == 0)
        return nullptr;
    const char *p = as_address(value);
    const char *lo, *hi;
    if (!pool_bounds(&lo, &hi)) {
        if (len)
            *len = std::strlen(p);
        return p;  // a host without the hook vouches for its values
    }
    if (p < lo || p >= hi)
        return nullptr;
    const void *nul = std::memchr(p, '\0', static_cast<std::size_t>(hi - p));
    if (!nul)
        return nullptr;
    if (len)
        *len = static_cast<std::size_t>(static_cast<const char *>(nul) - p);
    return p;
}

const int *oc_array(int value, std::size_t n)
{
    if (value == 0)
        return nullptr;
    const char *p = as_address(value);
    const char *lo, *hi;
    if (!pool_bounds(&lo, &hi))
        return reinterpret_cast<const int *>(p);
    if (p < lo || p >= hi || static_cast<std::size_t>(hi - p) / sizeof(int) < n)
        return nullptr;
    return reinterpret_cast<const int *>(p);
}

int oc_return_text(const char *text)
{
    if (!assign_str)
        return 0;
    return assign_str(reinterpret_cast<intptr_t>(text));
}
