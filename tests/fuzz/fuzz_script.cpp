// libFuzzer target: runs the fuzzer's bytes as a whole script in a small
// pool, against the library built without its outside-touching services.
#include <csetjmp>
#include <cstring>
#include <vector>

#include "quill.h"

extern "C" void outcall_reset_state(void);

static void reset(void)
{
    std::memset(var, 0, NVARS * sizeof(int));
    std::memset(pool, 0, static_cast<std::size_t>(poolsize));
    poolnum = 0;
    ev = 0;
    top = 0;
    std::memset(label, 0, sizeof label);
    line_no = 1;
    outcall_reset_state();
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!pool_create(4096))
        return 1;
    set_func(assign_str, assign_array, display_pool, display_pool_as_int);
    std::freopen("/dev/null", "w", stdout);   // scripts print; we only want crashes
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::vector<char> text;
    text.assign(data, data + size);
    text.push_back('\0');   // fmemopen wants at least one byte
    FILE *f = fmemopen(text.data(), size ? size : 1, "r");
    if (!f)
        return 0;
    reset();
    quilldebug = size >= 2 && data[0] == '#' && data[1] == 'g';   // "#g" traces
    yyin = f;
    tokens_reset();
    std::jmp_buf here;
    diag_exit_jump = &here;
    if (setjmp(here) == 0)
        yyparse();
    diag_exit_jump = nullptr;
    std::fclose(f);
    yyin = nullptr;
    return 0;
}
