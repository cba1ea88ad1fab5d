// libFuzzer target: quill-check on the fuzzer's bytes, both outputs
// written: no input may crash it or make it hang, and the labels alone
// come out as the whole analysis has them. The first bytes also
// make an edit of the rest: checked again only around the edit, the
// script must give what checking the edited text whole gives.
#include <cstdint>
#include <cstring>
#include <string>

#include "check.h"

namespace {

bool same(const Script &a, const Script &b)
{
    if (a.toks.size() != b.toks.size() || a.items.size() != b.items.size() ||
        a.findings.size() != b.findings.size())
        return false;
    for (std::size_t i = 0; i < a.toks.size(); i++) {
        const Tok &x = a.toks[i], &y = b.toks[i];
        if (x.code != y.code || x.value != y.value || x.start != y.start || x.length != y.length ||
            check_quill_line(a, static_cast<int>(i)) != check_quill_line(b, static_cast<int>(i)))
            return false;
    }
    for (std::size_t i = 0; i < a.findings.size(); i++) {
        const Finding &x = a.findings[i], &y = b.findings[i];
        if (x.code != y.code || x.start != y.start || x.stop != y.stop || x.message != y.message ||
            x.at.line != y.at.line || x.at.quill_line != y.at.quill_line ||
            x.end.quill_line != y.end.quill_line)
            return false;
    }
    return true;
}

// The labels alone, as requests see them, against the whole analysis.
bool same_labels(const Flow &a, const Flow &b)
{
    if (a.defs.size() != b.defs.size() || a.jumps.size() != b.jumps.size())
        return false;
    for (std::size_t i = 0; i < a.defs.size(); i++)
        if (a.defs[i].lab != b.defs[i].lab || a.defs[i].label_tok != b.defs[i].label_tok ||
            a.defs[i].col_tok != b.defs[i].col_tok)
            return false;
    for (std::size_t i = 0; i < a.jumps.size(); i++)
        if (a.jumps[i].lab != b.jumps[i].lab || a.jumps[i].label_tok != b.jumps[i].label_tok ||
            a.jumps[i].lands != b.jumps[i].lands)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    Script s;
    s.name = "fuzz.vt";
    s.text.assign(reinterpret_cast<const char *>(data) + 4, size - 4);
    Flow flow = check_script(s);
    if (!same_labels(check_labels(s), flow))
        __builtin_trap();   // a request would see other landings than the analysis
    std::string out;
    for (const Finding &f : s.findings) {
        out += check_gcc_line(s.name, f, true);
        out += check_json(s.name, f, true).dump();
        if (f.at.line < 1 || f.at.column < 1 || f.end.line < f.at.line)
            __builtin_trap();   // a place outside the script
    }
    for (const Finding &f : check_shown(s))   // as the command line and the server show them
        out += check_gcc_line(s.name, f, true);
    // the edit: where, how much goes, and a piece of the text itself that comes
    std::size_t n = s.text.size();
    std::size_t at = n ? data[0] * n / 256 : 0, removed = std::min<std::size_t>(data[1] % 16, n - at);
    std::size_t from = n ? data[2] * n / 256 : 0;
    std::string added = s.text.substr(from, std::min<std::size_t>(data[3] % 16, n - from));
    Script edited, whole;
    check_script_edit(edited, s, at, removed, added);
    whole.text = edited.text;
    check_script(whole);
    if (!same(edited, whole))
        __builtin_trap();   // the edit was checked otherwise than the whole text
    return 0;
}
