/*
 * lsp.cpp - quill-check --lsp: the checker behind the Language Server
 * Protocol. The loop reads one message after another (lsp_io.cpp) and
 * hands each to its method: the table below gives each method the
 * capability that announces it and what carries it out, the documents'
 * notifications (lsp_docs.cpp) and the requests (lsp_labels.cpp,
 * lsp_help.cpp). Whenever the client has nothing more to send, the
 * documents edited since are analysed and their findings published.
 */
#include "lsp.h"

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using nlohmann::json;
using namespace lsp;

namespace {

enum ErrorCode {
    PARSE_ERROR = -32700, INVALID_REQUEST = -32600, METHOD_NOT_FOUND = -32601,
    INVALID_PARAMS = -32602, INTERNAL_ERROR = -32603, SERVER_NOT_INITIALIZED = -32002,
};

struct NoMethod {};

bool initialized, shut_down;

// Every method but initialize, shutdown and exit: the capability that
// announces it (merged into initialize's answer), and a request's answer or
// a notification's handler.
struct Method {
    const char *name;
    const char *capability;   // JSON
    json (*answer)(const json &params);
    void (*notice)(const json &params);
};

const Method METHODS[] = {
    {"textDocument/didOpen", R"({"textDocumentSync": {"openClose": true}})", nullptr, did_open},
    {"textDocument/didChange", R"({"textDocumentSync": {"change": 2}})",   // 2: edits, not whole texts
     nullptr, did_change},
    {"textDocument/didSave", R"({"textDocumentSync": {"save": true}})", nullptr, did_save},
    {"textDocument/didClose", R"({"textDocumentSync": {"openClose": true}})", nullptr, did_close},
    {"textDocument/definition", R"({"definitionProvider": true})", definition, nullptr},
    {"textDocument/references", R"({"referencesProvider": true})", references, nullptr},
    {"textDocument/documentSymbol", R"({"documentSymbolProvider": true})", symbols, nullptr},
    {"textDocument/hover", R"({"hoverProvider": true})", hover, nullptr},
    {"textDocument/completion", R"({"completionProvider": {"triggerCharacters": [" "]}})",
     completion, nullptr},
    {"textDocument/prepareRename", R"({"renameProvider": {"prepareProvider": true}})",
     [](const json &params) { return rename(params, true); }, nullptr},
    {"textDocument/rename", R"({"renameProvider": {}})",
     [](const json &params) { return rename(params, false); }, nullptr},
};

json capabilities(const json &params)
{
    const json &encodings = member(params, "capabilities.general.positionEncodings");
    utf8_columns = encodings.is_array() && std::count(encodings.begin(), encodings.end(), "utf-8");
    json caps = {{"positionEncoding", utf8_columns ? "utf-8" : "utf-16"}};
    for (const Method &m : METHODS)
        caps.merge_patch(json::parse(m.capability));
    return {{"capabilities", caps},
            {"serverInfo", {{"name", "quill-check"}, {"version", QUILL_VERSION}}}};
}

const Method *method_named(const std::string &name)
{
    for (const Method &m : METHODS)
        if (name == m.name)
            return &m;
    return nullptr;
}

// A notification cannot be answered: its faults go where the editor logs the server.
void complain(const std::string &method, const char *what)
{
    std::fprintf(stderr, "quill-check: %s: %s\n", check_quote(method).c_str(), what);
}

// One request or notification.
void dispatch(const std::string &method, const json &params, bool request, const json &id)
{
    if (method == "initialize") {
        initialized = true;
        reply(id, capabilities(params));
    } else if (!initialized) {
        if (request)
            reply_error(id, SERVER_NOT_INITIALIZED, "initialize first");
    } else if (method == "shutdown") {
        shut_down = true;
        reply(id, nullptr);
    } else if (const Method *m = method_named(method); !request) {
        if (m && m->notice)
            m->notice(params);
    } else if (m && m->answer) {
        reply(id, m->answer(params));
    } else {
        throw NoMethod{};
    }
}

// One message; false when the server is to end.
bool handle(const json &msg, int *status)
{
    if (!msg.is_object()) {
        reply_error(nullptr, INVALID_REQUEST, msg.is_array() ? "a batch: one message at a time"
                                                             : "not a message: an object is");
        return true;
    }
    const json &method = member(msg, "method");
    auto it = msg.find("id");
    bool request = it != msg.end();
    const json &id = request ? *it : NONE;
    if (!method.is_string() && (msg.contains("result") || msg.contains("error")))
        return true;   // a client's answer to us: we ask nothing
    if (!method.is_string() || (request && !id.is_string() && !id.is_number() && !id.is_null())) {
        reply_error(id.is_string() || id.is_number() ? id : NONE, INVALID_REQUEST,
                    method.is_string() ? "id must be a number or a text" : "method must be a text");
        return true;
    }
    const std::string &name = method.get_ref<const std::string &>();
    if (name == "exit") {
        *status = shut_down ? 0 : 1;
        return false;
    }
    try {
        dispatch(name, member(msg, "params"), request, id);
    } catch (const NoMethod &) {
        reply_error(id, METHOD_NOT_FOUND, "no method " + check_quote(name));
    } catch (const BadParam &e) {
        if (request)
            reply_error(id, INVALID_PARAMS, e.what());
        else
            complain(name, e.what());
    } catch (const std::exception &e) {   // no fault of the client's: it may go on
        if (request)
            reply_error(id, INTERNAL_ERROR, std::string("internal error: ") + e.what());
        else
            complain(name, e.what());
    }
    return true;
}

}  // namespace

int lsp_run(std::FILE *input, std::FILE *output)
{
    io_start(input, output);
    docs_reset();
    initialized = shut_down = false;
    std::string body;
    int status = 1;   // the input ended without an exit: the client went away
#ifdef __GLIBC__
    // Each edit builds the document's arrays anew: kept in the heap, the
    // pages of the last ones are reused, where fresh mappings would fault
    // in every page again (a third of an edit's time in a 10 MB document).
    mallopt(M_MMAP_THRESHOLD, INT32_MAX);
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
#endif
    std::string why;
    while (read_message(&body, &why)) {
        json msg;
        try {
            msg = parse_message(body);
        } catch (const TooDeep &) {
            reply_error(nullptr, INVALID_REQUEST,
                        "nested deeper than " + std::to_string(MAX_DEPTH) + " levels");
            continue;
        }
        if (msg.is_discarded()) {
            reply_error(nullptr, PARSE_ERROR, "not JSON");
            continue;
        }
        if (!handle(msg, &status))
            return status;
        if (!input_waiting())
            publish_all();
    }
    if (!why.empty())
        std::fprintf(stderr, "quill-check: %s\n", why.c_str());
    return status;
}
