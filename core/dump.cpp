/*
 * dump.cpp - the two pool dumps. display_pool writes millions of characters
 * for the default pool, so it formats into large blocks by hand.
 */
#include "quill.h"

#include <cstring>

namespace {

// Collects output and hands it to stderr a block at a time.
struct block_writer {
    char data[1 << 16];
    std::size_t used = 0;

    void spill()
    {
        output_flush();   // what the script printed comes first
        std::fwrite(data, 1, used, stderr);
        used = 0;
    }
    void room(std::size_t n)
    {
        if (used + n > sizeof data)
            spill();
    }
    void put(const char *s, std::size_t n)
    {
        room(n);
        std::memcpy(data + used, s, n);
        used += n;
    }
    void finish()
    {
        spill();
        std::fflush(stderr);
    }
};

block_writer out;

// "\n %09d: " without a formatted write per line
void line_head(uint32_t addr)
{
    char s[16] = "\n ";
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + addr % 10);
        addr /= 10;
    } while (addr);
    while (n < 9)
        digits[n++] = '0';
    std::size_t len = 2;
    while (n)
        s[len++] = digits[--n];
    s[len++] = ':';
    s[len++] = ' ';
    out.put(s, len);
}

}  // namespace

extern "C" int display_pool(void)
{
    char cell[32];
    for (int k = 0; k < NVARS; k++) {
        if (k % 5 == 0)
            out.put("\n", 1);
        int n = std::snprintf(cell, sizeof cell, " %c(%9d) ", 'a' + k, var[k]);
        out.put(cell, static_cast<std::size_t>(n));
    }
    out.put("\n", 1);
    uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pool));
    for (int32_t k = 0; k < poolsize; k++) {
        if (k % 16 == 0)
            line_head(base + static_cast<uint32_t>(k));
        if (k % 8 == 0)
            out.put("   ", 3);
        signed char b = static_cast<signed char>(pool[k]);
        char shown[2] = {b >= 0x21 && b <= 0x7d ? static_cast<char>(b) : '.', ' '};
        out.put(shown, 2);
    }
    out.finish();
    return 0;
}

// Refuses what does not lie in the pool; requests inside it behave as described.
extern "C" int display_pool_as_int(int i, int size)
{
    if (i >= 0 && i < NVARS && size > 0) {
        uint64_t lo = reinterpret_cast<uintptr_t>(pool);
        uint64_t at = static_cast<uint32_t>(var[i]);
        if (at >= lo && at + 4 * uint64_t(size) <= lo + uint64_t(poolsize)) {
            char cell[64];
            for (int j = 0; j < size; j++) {
                int32_t v;
                std::memcpy(&v, pool + (at - lo) + 4 * uint64_t(j), 4);
                int n = std::snprintf(cell, sizeof cell, " %c[%d](%9d)\n", 'a' + i, j, v);
                out.put(cell, static_cast<std::size_t>(n));
            }
        }
    }
    out.finish();
    return 0;
}
