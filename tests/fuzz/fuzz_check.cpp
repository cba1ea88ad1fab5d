// libFuzzer target: quill-check on the fuzzer's bytes, both outputs
// written: no input may crash it or make it hang.
#include <cstdint>
#include <string>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Script s;
    s.name = "fuzz.vt";
    s.text.assign(reinterpret_cast<const char *>(data), size);
    check_script(s);
    std::string out;
    for (const Finding &f : s.findings) {
        out += check_gcc_line(s.name, f, true);
        out += check_json(s.name, f, true).dump();
        if (f.at.line < 1 || f.at.column < 1 || f.end.line < f.at.line)
            __builtin_trap();   // a place outside the script
    }
    return 0;
}
