/*
 * lsp_help.cpp - what the language server says while one types: hover
 * texts (a service after func, a keyword, a label) and completions
 * (keywords, the script's labels, and after func the services).
 */
#include "lsp.h"

#include <cctype>
#include <set>

using nlohmann::json;

namespace {

struct Reminder {
    int code;
    const char *text;
};

const Reminder REMINDERS[] = {   // the keywords, and ~
    {PRINT, "`put x` prints x as a number, with no line break after it"},
    {PRINTS, "`puts t` prints the text at address t; 0 prints nothing"},
    {OPIF, "`if c X` searches forward for the next `X:` when c is not 0; `if c @ n X` for the n-th"},
    {OPBELOW, "`below X` searches forward for the next `X:`; `below @ n X` for the n-th"},
    {OPABOVE, "`above X` ends its statement, goes back to the top and searches for the first "
              "`X:`; `above @ n X` for the n-th, `above @ 0 X` restarts the script"},
    {FUNC, "`func n` calls service n of the extension library, which reads its arguments "
           "from fixed variables"},
    {OPNEW, "`new n` reserves n integers in the pool, all 0, and gives their address"},
    {OPSTRCP, "`b ~ t` stores a new copy of the text at t in b"},
};

std::string service_text(const Service &svc)
{
    std::string reads;
    for (const char *p = svc.reads; *p; p++)
        if (*p != ' ')
            reads += std::string(reads.empty() ? "" : ", ") + "`" + *p + "`" +
                     (std::strchr(svc.needs, *p) ? " (a text)" : "");
    std::string text = "**func " + std::to_string(svc.number) + "**: " + svc.name + "\n\n";
    if (!reads.empty())
        text += "Reads " + reads + ".\n\n";
    text += std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(svc.result[0])))) +
            (svc.result + 1) + ".";
    if (*svc.windows)
        text += "\n\nOn Windows: " + std::string(svc.windows) + ".";
    return text;
}

// The service a func under the cursor calls: its number's token, or -1.
int func_number(const Script &s, int tok)
{
    auto code = [&](int i) { return i >= 0 && i < static_cast<int>(s.toks.size())
                                        ? s.toks[static_cast<std::size_t>(i)].code : -1; };
    int f = code(tok) == FUNC ? tok : code(tok - 1) == FUNC ? tok - 1
          : code(tok - 2) == FUNC && code(tok - 1) == OPSUB ? tok - 2 : -1;
    if (f < 0)
        return -1;
    if (code(f + 1) == NUMBER)
        return f + 1;
    return code(f + 1) == OPSUB && code(f + 2) == NUMBER ? f + 2 : -1;
}

std::string label_text(const lsp::Doc &d, int lab)
{
    std::string lines;
    int defs = 0, jumps = 0;
    for (const LabelDef &def : d.flow.defs)
        if (def.lab == lab) {
            const Tok &t = d.script.toks[static_cast<std::size_t>(def.label_tok)];
            lines += (defs++ ? ", " : "") +
                     std::to_string(check_place(d.script, t.start, 0).line);
        }
    for (const JumpSite &j : d.flow.jumps)
        jumps += j.lab == lab;
    std::string name(1, static_cast<char>('A' + lab));
    std::string text = "**label " + name + "**: ";
    text += defs ? std::to_string(defs) + (defs == 1 ? " definition (line " : " definitions (lines ") +
                       lines + ")" : "no definition";
    return text + ", " + std::to_string(jumps) + (jumps == 1 ? " jump" : " jumps") + " to it";
}

}  // namespace

namespace lsp {

json hover(const json &params)
{
    uint64_t offset;
    const Doc *d = doc_at(params, &offset);
    if (!d)
        return nullptr;
    const Script &s = d->script;
    int tok = token_under(s, offset);
    if (tok < 0)
        return nullptr;
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    std::string text;
    int number = func_number(s, tok);
    if (number >= 0) {
        const Tok &n = s.toks[static_cast<std::size_t>(number)];
        bool negative = s.toks[static_cast<std::size_t>(number - 1)].code == OPSUB;
        const Service *svc = check_service(negative ? -n.value : n.value);
        text = svc ? service_text(*svc) : "no service has this number: func returns 0";
    } else if (t.code == LABEL) {
        text = label_text(*d, t.value);
    } else {
        for (const Reminder &r : REMINDERS)
            if (r.code == t.code)
                text = r.text;
    }
    if (text.empty())
        return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", range_of(s, tok, tok)}};
}

json completion(const json &params)
{
    uint64_t offset;
    const Doc *d = doc_at(params, &offset);
    json items = json::array();
    if (!d)
        return items;
    const Script &s = d->script;
    uint64_t start = offset;
    while (start > 0 && s.scanned[start - 1] != '\n')
        start--;
    std::string before = s.scanned.substr(start, offset - start);
    std::size_t end = before.find_last_not_of("0123456789-");
    std::size_t word = before.find_last_not_of(" \t", end == std::string::npos ? 0 : end);
    bool after_func = word != std::string::npos && word >= 3 &&
                      before.compare(word - 3, 4, "func") == 0;
    if (after_func) {
        for (int i = 0; i < check_service_count; i++) {
            const Service &svc = check_services[i];
            items.push_back({{"label", std::to_string(svc.number)},
                             {"kind", 12},   // Value
                             {"detail", svc.name},
                             {"documentation", {{"kind", "markdown"}, {"value", service_text(svc)}}}});
        }
        return items;
    }
    for (const Keyword &k : CHECK_KEYWORDS)
        items.push_back({{"label", k.word}, {"kind", 14}});   // Keyword
    std::set<int> seen;
    for (const LabelDef &def : d->flow.defs)
        if (seen.insert(def.lab).second) {
            const Tok &t = s.toks[static_cast<std::size_t>(def.label_tok)];
            items.push_back({{"label", std::string(1, static_cast<char>('A' + def.lab))},
                             {"kind", 20},
                             {"detail", "label, line " +
                                            std::to_string(check_place(s, t.start, 0).line)}});
        }
    return items;
}

}  // namespace lsp
