// libFuzzer target for the library's text services (4, 9, 10, 11): texts and
// formats chosen by the fuzzer, placed at the pool's edges or nowhere valid.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "quill.h"

extern "C" void outcall_reset_state(void);

constexpr int32_t POOL = 512;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!pool_create(POOL))
        return 1;
    set_func(assign_str, assign_array, display_pool, display_pool_as_int);
    return 0;
}

static int32_t address(const char *p)
{
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

// Puts text into the pool the way the fuzzer asks; returns the value a variable holds.
static int32_t place(FuzzedDataProvider &in, const std::string &text, int32_t *low)
{
    std::size_t n = text.size() + 1;
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:   // flush with the pool's end, NUL as the last byte
        if (n > static_cast<std::size_t>(POOL - *low))
            return 0;
        std::memcpy(pool + POOL - n, text.c_str(), n);
        return address(pool + POOL - n);
    case 1:   // at the end with no NUL after it
        if (text.empty() || text.size() > static_cast<std::size_t>(POOL - *low))
            return 0;
        std::memcpy(pool + POOL - text.size(), text.data(), text.size());
        return address(pool + POOL - text.size());
    case 2:   // at the front
        if (n > static_cast<std::size_t>(POOL / 2))
            return 0;
        std::memcpy(pool + *low, text.c_str(), n);
        *low += static_cast<int32_t>(n);
        return address(pool + *low - n);
    case 3:   // just outside the pool
        return address(pool + POOL);
    default:  // any number at all
        return in.ConsumeIntegral<int32_t>();
    }
}

static void check_result(int no, int32_t r)
{
    if (no == 4 || no == 9 || r == 0)
        return;
    const char *p = reinterpret_cast<const char *>(static_cast<uintptr_t>(static_cast<uint32_t>(r)));
    if (p < pool || p >= pool + POOL)
        std::abort();   // a text result must be a pool address
    const void *nul = std::memchr(p, '\0', static_cast<std::size_t>(pool + POOL - p));
    if (!nul || static_cast<const char *>(nul) - p > 1023)
        std::abort();   // results are cut at 1023 bytes
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static const int NUMBERS[] = {4, 9, 10, 11};
    int no = NUMBERS[in.ConsumeIntegralInRange(0, 3)];
    std::memset(pool, 0x5a, POOL);   // no stray NULs to hide an overrun
    std::memset(var, 0, NVARS * sizeof(int));
    poolnum = 0;
    outcall_reset_state();
    int32_t low = 0;
    std::string first = in.ConsumeRandomLengthString(1200);
    std::string second = in.ConsumeRandomLengthString(1200);
    int32_t v1 = place(in, first, &low);
    int32_t v2 = place(in, second, &low);
    var['c' - 'a'] = var['a' - 'a'] = v1;
    var['p' - 'a'] = var['f' - 'a'] = v2;
    var['i' - 'a'] = in.ConsumeIntegral<int32_t>();
    poolnum = low;   // results go after the front texts, wrapping as they must
    std::jmp_buf here;
    diag_exit_jump = &here;
    if (setjmp(here) == 0)
        check_result(no, outcall(no, var));
    diag_exit_jump = nullptr;
    return 0;
}
