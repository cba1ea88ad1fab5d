// libFuzzer target: runs the fuzzer's bytes as a whole script in a small
// pool, against the library built without its outside-touching services,
// three times: with the fast paths and every loop made machine code at its
// first pass, with the fast paths on the ops alone (each loop laid out at
// its first pass), and without them. The
// runs must agree on every byte of output and of messages, the exit status
// and, where the run ends normally, the last value (a fatal error exits with
// a fixed status, so ev is gone with it: a fused replay may have skipped a
// store in between).
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "native.h"
#include "quill.h"

extern "C" void outcall_reset_state(void);

namespace {

struct Run {
    std::string out, err;
    int status;
    bool fatal;
    int32_t ev;
};

void reset(void)
{
    std::memset(var, 0, NVARS * sizeof(int));
    std::memset(pool, 0, static_cast<std::size_t>(poolsize));
    poolnum = 0;
    ev = 0;
    top = 0;
    std::memset(label, 0, sizeof label);
    outcall_reset_state();
}

std::string take(FILE *f, char *&data, std::size_t &size)
{
    std::fclose(f);
    std::string s(data, size);
    std::free(data);
    return s;
}

Run run(const std::vector<char> &text, std::size_t size, bool fast, const char *native)
{
    Run r{};
    FILE *f = fmemopen(const_cast<char *>(text.data()), size ? size : 1, "r");
    if (!f)
        std::abort();
    char *out_data = nullptr, *err_data = nullptr;
    std::size_t out_size = 0, err_size = 0;
    FILE *saved_out = stdout, *saved_err = stderr;
    stdout = open_memstream(&out_data, &out_size);   // what the script and the library print
    stderr = open_memstream(&err_data, &err_size);   // messages, trace, dumps
    reset();
    quilldebug = size >= 2 && text[0] == '#' && text[1] == 'g';   // "#g" traces
    yyin = f;
    items_reset();
    items_fast = fast;
    native_configure(native);
    std::jmp_buf here;
    diag_exit_jump = &here;
    int jumped = setjmp(here);
    if (jumped == 0) {
        yyparse();
        r.status = driver_fold_status(ev);
    } else {
        r.status = jumped - 1;
        r.fatal = true;
    }
    diag_exit_jump = nullptr;
    r.ev = ev;
    r.out = take(stdout, out_data, out_size);
    r.err = take(stderr, err_data, err_size);
    stdout = saved_out;
    stderr = saved_err;
    std::fclose(f);
    yyin = nullptr;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!pool_create(4096))
        return 1;
    set_func(assign_str, assign_array, display_pool, display_pool_as_int);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::vector<char> text;
    text.assign(data, data + size);
    text.push_back('\0');   // fmemopen wants at least one byte
    Run slow = run(text, size, false, "0");
    const char *names[] = {"machine code", "ops"};
    const char *natives[] = {"1", "0"};   // every loop compiled, or laid out, at its first pass
    for (int way = 0; way < 2; way++) {
        Run fast = run(text, size, true, natives[way]);
        if (fast.out != slow.out || fast.err != slow.err || fast.status != slow.status ||
            fast.fatal != slow.fatal || (!fast.fatal && fast.ev != slow.ev)) {
            std::fprintf(stderr, "%s and the parser differ: status %d/%d, ev %d/%d\nstdout:\n%s\n---\n%s\n"
                         "stderr:\n%s\n---\n%s\n", names[way], fast.status, slow.status, fast.ev, slow.ev,
                         fast.out.c_str(), slow.out.c_str(), fast.err.c_str(), slow.err.c_str());
            std::abort();
        }
    }
    return 0;
}
