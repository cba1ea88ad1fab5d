/*
 * pool.cpp - the variables and the value pool: one low mapping, so every
 * address a script sees is a real address that fits a positive int.
 */
#include "quill.h"

#include "lowmap.h"

#include <cstring>

int *var;                           // the 26 variables a..z; the temporaries below
char *pool;                         // the pool's first byte
int32_t poolsize = DEFAULT_POOLSIZE;
int32_t poolnum;                    // offset of the next free byte

/* Scripts see the addresses of the scratch area and the pool, and print
   them or fold them into an exit status: the room of the variables stays
   the 384 bytes it had when the temporaries followed them, and the
   temporaries, however many, go below. */
constexpr std::size_t VAR_BYTES = 384;
constexpr std::size_t SCRATCH_BYTES = 8192;    // a literal's text: at most a whole token
constexpr std::size_t TEMP_BYTES = 4 * NTEMPS;
static_assert(4 * NVARS <= VAR_BYTES && TEMP_BYTES <= LOWMAP_MAX_LEAD, "the layout holds");

static char *scratch;               // low home of the literal being parsed

bool pool_create(int32_t size)
{
    if (size < 0)
        return false;
    std::size_t total = VAR_BYTES + SCRATCH_BYTES + static_cast<std::size_t>(size);
    char *block = lowmap_create(TEMP_BYTES, total);   // fresh pages are zero: no memset
    if (!block)
        return false;
    var = reinterpret_cast<int *>(block);
    scratch = block + VAR_BYTES;
    pool = scratch + SCRATCH_BYTES;
    poolsize = size;
    poolnum = 0;
    return true;
}

static int32_t addr32(const void *p)
{
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

int pool_literal(const char *text, int len)
{
    std::memcpy(scratch, text, static_cast<std::size_t>(len));
    scratch[len] = '\0';
    return addr32(scratch);
}

const char *pool_text(int32_t value, std::size_t *len)
{
    if (value == 0)
        return nullptr;
    const char *p = pool_address(value);
    const void *nul = nullptr;
    if (p < pool || p >= pool + poolsize || !(nul = std::memchr(p, '\0', pool + poolsize - p)))
        diag_runtime("Bad address. (string)");
    if (len)
        *len = static_cast<std::size_t>(static_cast<const char *>(nul) - p);
    return p;
}

int32_t pool_element(int32_t base, int32_t index)
{
    return static_cast<int32_t>(static_cast<uint32_t>(base) + 4u * static_cast<uint32_t>(index));
}

int32_t pool_var_slot(int index)
{
    return addr32(var + index);
}

// The slot is a variable's (R_VAR_ADDR) or an element checked by pool_element_slot.
void pool_write(int32_t addr, int32_t value)
{
    uint32_t a = static_cast<uint32_t>(addr);
    uint32_t first = static_cast<uint32_t>(pool_var_slot(0));
    char *slot = a - first < 4 * NVARS ? reinterpret_cast<char *>(var) + (a - first) : pool_address(addr);
    std::memcpy(slot, &value, 4);   // elements may be unaligned
}

// Pool bytes about to be written, for a debugger's history: out of line,
// so the writers stay as small as they were without one.
[[gnu::noinline]] static void hook_pool(char *at, std::size_t n)
{
    run_hooks->pool(at, n);
}

void pool_write_watched(int32_t addr, int32_t value)
{
    uint32_t a = static_cast<uint32_t>(addr), first = static_cast<uint32_t>(pool_var_slot(0));
    if (a - first >= 4 * NVARS)   // a variable's slot the debugger compares whole
        hook_pool(pool_address(addr), 4);
    pool_write(addr, value);
}

extern "C" int assign_str(intptr_t str)
{
    const char *src = reinterpret_cast<const char *>(str);
    std::size_t len = std::strlen(src) + 1;   // taken first: src may lie in the pool
    if (len > static_cast<std::size_t>(poolsize))
        diag_runtime("Cannot allocation. (string)");
    if (poolnum + len > static_cast<std::size_t>(poolsize)) {
        diag_pool_over("string");
        poolnum = 0;
    }
    char *dst = pool + poolnum;
    if (run_hooks)
        hook_pool(dst, len);
    std::memmove(dst, src, len);
    poolnum += static_cast<int32_t>(len);
    return addr32(dst);
}

extern "C" int assign_array(void *ptr, int size)
{
    int64_t bytes = int64_t(size) * 4;
    if (size < 0 || bytes > poolsize)
        diag_runtime("Cannot allocation. (array)");
    if (poolnum + bytes > poolsize) {
        diag_pool_over("array");
        poolnum = 0;
    }
    char *dst = pool + poolnum;
    if (run_hooks)
        hook_pool(dst, static_cast<std::size_t>(bytes));
    if (ptr)
        std::memcpy(dst, ptr, static_cast<std::size_t>(bytes));
    else
        std::memset(dst, 0, static_cast<std::size_t>(bytes));
    poolnum += static_cast<int32_t>(bytes);
    return addr32(dst);
}

/* The host hook the library looks up to learn where the pool lies. */
extern "C" OUTCALL_HOST_API void outcall_pool_range(const char **base, int32_t *size)
{
    *base = pool;
    *size = poolsize;
}
