/*
 * lsp_docs.cpp - the documents the client has open: each parsed again
 * around each edit, its labels worked out when a request needs them, and
 * analysed once the client pauses, its findings then published.
 */
#include "lsp.h"

#include <map>

using nlohmann::json;

namespace lsp {

namespace {

std::map<std::string, Doc> docs;

json diagnostics(const Script &s)
{
    static const int SEVERITY[] = {1, 2, 3, 4};   // ORDER Severity: error .. hint
    json list = json::array();
    for (const Finding &f : check_shown(s))
        list.push_back({{"range", range(s, f.start, f.stop)},
                        {"severity", SEVERITY[static_cast<int>(f.severity)]},
                        {"code", check_code_name(f.code)},
                        {"source", "quill-check"},
                        {"message", f.message}});
    return list;
}

void publish(const std::string &uri, const json &list)
{
    send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", uri}, {"diagnostics", list}}}});
}

// Where the jumps land, for a request.
void labelled(Doc &d)
{
    if (d.stage == Doc::PARSED) {
        d.flow = check_labels(d.script);
        d.stage = Doc::LABELLED;
    }
}

void analysed(Doc &d)
{
    if (d.stage != Doc::ANALYSED) {
        d.flow = check_analyse(d.script);
        d.stage = Doc::ANALYSED;
    }
}

void open_doc(const std::string &uri, const std::string &text)
{
    Doc &d = docs[uri];
    d = Doc();
    d.script.name = uri;
    d.script.text = text;
    check_parse(d.script);
}

// The bytes [*a, *b) of text that change c replaces; false for the whole text.
bool change_span(const std::string &text, const json &c, uint64_t *a, uint64_t *b)
{
    text_param(c, "text");
    const json &range = member(c, "range");
    if (range.is_null())
        return false;
    *a = raw_offset(text, member(range, "start"), "contentChanges[].range.start");
    *b = raw_offset(text, member(range, "end"), "contentChanges[].range.end");
    if (*b < *a)
        throw BadParam("contentChanges[].range ends before it starts");
    return true;
}

}  // namespace

const Doc *doc_of(const json &params)
{
    auto it = docs.find(text_param(params, "textDocument.uri"));
    if (it == docs.end())
        return nullptr;
    labelled(it->second);
    return &it->second;
}

void docs_reset(void)
{
    docs.clear();
}

void publish_all(void)
{
    for (auto &[uri, d] : docs)
        if (!d.published) {
            analysed(d);
            publish(uri, diagnostics(d.script));
            d.published = true;
        }
}

const Doc *doc_at(const json &params, uint64_t *offset)
{
    const Doc *d = doc_of(params);
    return d && offset_of(d->script, member(params, "position"), offset) ? d : nullptr;
}

void did_open(const json &params)
{
    open_doc(text_param(params, "textDocument.uri"), text_param(params, "textDocument.text"));
}

void did_change(const json &params)
{
    const std::string &uri = text_param(params, "textDocument.uri");
    const json &changes = member(params, "contentChanges");
    if (!changes.is_array())
        throw BadParam("contentChanges must be a list");
    auto it = docs.find(uri);
    if (it == docs.end() || changes.empty())
        return;
    Doc &d = it->second;
    uint64_t a, b;
    if (changes.size() == 1 && change_span(d.script.text, changes[0], &a, &b)) {
        Doc next;
        next.script.name = uri;
        check_reparse(next.script, d.script, a, b - a, text_param(changes[0], "text"));
        d = std::move(next);
        return;
    }
    std::string text = d.script.text;
    for (const json &c : changes) {
        if (change_span(text, c, &a, &b))
            text.replace(a, b - a, text_param(c, "text"));
        else
            text = text_param(c, "text");
    }
    open_doc(uri, text);
}

void did_save(const json &params)
{
    const std::string &uri = text_param(params, "textDocument.uri");
    if (!member(params, "text").is_null())
        open_doc(uri, text_param(params, "text"));
    else if (docs.count(uri))
        docs[uri].published = false;
}

void did_close(const json &params)
{
    std::string uri = text_param(params, "textDocument.uri");
    docs.erase(uri);
    publish(uri, json::array());
}

}  // namespace lsp
