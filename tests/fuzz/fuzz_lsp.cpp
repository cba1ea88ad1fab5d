// libFuzzer target: the language server reading the fuzzer's bytes as its
// input: framing, JSON and requests of any shape end in an answer or a
// clean end, never a crash or a hang.
#include <cstdint>
#include <cstdio>

#include "lsp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::FILE *sink = std::fopen("/dev/null", "w");
    std::FILE *in = fmemopen(const_cast<uint8_t *>(data), size ? size : 1, "r");
    if (!in || !sink)
        return 0;
    lsp_run(in, sink);
    std::fclose(in);
    return 0;
}
