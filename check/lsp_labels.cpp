/*
 * lsp_labels.cpp - the language server's answers about labels, from the
 * same analysis as the findings: where a jump's search lands, which jumps
 * land on a definition, the definitions as symbols, and a label renamed.
 */
#include "lsp.h"

#include <algorithm>

using nlohmann::json;

namespace lsp {

namespace {

json label_at(const json &params, const Doc **doc, int *tok)
{
    uint64_t offset;
    *doc = doc_at(params, &offset);
    if (!*doc)
        return nullptr;
    const Script &s = (*doc)->script;
    *tok = token_under(s, offset);
    if (*tok < 0 || s.toks[static_cast<std::size_t>(*tok)].code != LABEL)
        return nullptr;
    return true;
}

}  // namespace

json definition(const json &params)
{
    const Doc *d;
    int tok;
    if (label_at(params, &d, &tok).is_null())
        return nullptr;
    const std::string &uri = text_param(params, "textDocument.uri");
    for (const LabelDef &def : d->flow.defs)
        if (def.label_tok == tok)
            return location(uri, d->script, tok);
    for (const JumpSite &j : d->flow.jumps)
        if (j.label_tok == tok) {
            json list = json::array();
            for (int i : j.lands)
                list.push_back(location(uri, d->script, d->flow.defs[static_cast<std::size_t>(i)].label_tok));
            return list;
        }
    return nullptr;
}

json references(const json &params)
{
    const Doc *d;
    int tok;
    if (label_at(params, &d, &tok).is_null())
        return nullptr;
    const std::string &uri = text_param(params, "textDocument.uri");
    bool declarations = member(params, "context.includeDeclaration") == true;
    int lab = d->script.toks[static_cast<std::size_t>(tok)].value;
    int def = -1;
    for (std::size_t i = 0; i < d->flow.defs.size(); i++)
        if (d->flow.defs[i].label_tok == tok)
            def = static_cast<int>(i);
    json list = json::array();
    for (std::size_t i = 0; i < d->flow.defs.size(); i++)
        if (declarations && d->flow.defs[i].lab == lab && (def < 0 || def == static_cast<int>(i)))
            list.push_back(location(uri, d->script, d->flow.defs[i].label_tok));
    for (const JumpSite &j : d->flow.jumps)   // on a definition: the jumps that land there
        if (j.lab == lab && (def < 0 || std::count(j.lands.begin(), j.lands.end(), def)))
            list.push_back(location(uri, d->script, j.label_tok));
    return list;
}

json symbols(const json &params)
{
    const Doc *d = doc_of(params);
    json list = json::array();
    if (!d)
        return list;
    const Script &s = d->script;
    for (const LabelDef &def : d->flow.defs) {
        const Tok &col = s.toks[static_cast<std::size_t>(def.col_tok)];
        list.push_back({{"name", std::string(1, static_cast<char>('A' + def.lab))},
                        {"detail", "line " + std::to_string(line_of(s, col.start) + 1)},
                        {"kind", 20},   // Key: the nearest kind to a jump target
                        {"range", range(s, s.toks[static_cast<std::size_t>(def.label_tok)].start,
                                        col.start + 1)},
                        {"selectionRange", token_range(s, def.label_tok)}});
    }
    return list;
}

json rename(const json &params, bool prepare)
{
    const Doc *d;
    int tok;
    if (label_at(params, &d, &tok).is_null())
        return nullptr;
    const Script &s = d->script;
    int lab = s.toks[static_cast<std::size_t>(tok)].value;
    if (prepare)
        return {{"range", token_range(s, tok)},
                {"placeholder", std::string(1, static_cast<char>('A' + lab))}};
    const std::string &name = text_param(params, "newName");
    if (name.size() != 1 || name[0] < 'A' || name[0] > 'Z')
        throw BadParam("newName: a label is one letter from A to Z");
    json edits = json::array();
    for (std::size_t i = 0; i < s.toks.size(); i++) {
        const Tok &t = s.toks[i];
        if (t.code != LABEL)
            continue;
        if (t.value == name[0] - 'A' && name[0] - 'A' != lab)
            throw BadParam(name + " is a label of this script already: "
                           "renaming would join the two");
        if (t.value == lab)
            edits.push_back({{"range", token_range(s, static_cast<int>(i))}, {"newText", name}});
    }
    return {{"changes", {{text_param(params, "textDocument.uri"), edits}}}};
}

}  // namespace lsp
