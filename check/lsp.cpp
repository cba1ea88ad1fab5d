/*
 * lsp.cpp - quill-check --lsp: the checker behind the Language Server
 * Protocol. JSON-RPC messages with Content-Length headers on standard input
 * and output; the client sends edits (incremental sync), each document is
 * parsed again around each edit and analysed once the client pauses, and the
 * answers about labels come from the same analysis: where a jump's search
 * lands, which jumps land on a definition.
 */
#include "lsp.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string_view>

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

using nlohmann::json;
using lsp::Doc;

namespace {

enum ErrorCode {
    PARSE_ERROR = -32700, INVALID_REQUEST = -32600, METHOD_NOT_FOUND = -32601,
    INVALID_PARAMS = -32602, INTERNAL_ERROR = -32603, SERVER_NOT_INITIALIZED = -32002,
};

struct NoMethod {};
struct TooDeep {};

std::FILE *in, *out;
std::map<std::string, Doc> docs;
bool initialized, shut_down;
bool utf8_columns;   // the client counts columns in bytes, not UTF-16 units
constexpr std::size_t MAX_MESSAGE = std::size_t(1) << 30;
// Messages nest a few levels; copying or writing one nested without bound
// would take a stack frame a level.
constexpr int MAX_DEPTH = 1000;
const json NONE;   // what a missing member reads as

/* ---- framing ---- */

// Content-Length's value: digits alone, at most MAX_MESSAGE.
bool parse_length(const char *p, std::size_t *n)
{
    while (*p == ' ' || *p == '\t')
        p++;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    std::size_t v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); p++)
        if ((v = v * 10 + static_cast<std::size_t>(*p - '0')) > MAX_MESSAGE)
            return false;
    while (*p == ' ' || *p == '\t')
        p++;
    *n = v;
    return !*p || std::strcmp(p, "\r\n") == 0 || std::strcmp(p, "\n") == 0;
}

// A message's header: its length; false at the end of input, or with *why
// set when the input cannot be told apart into messages.
bool read_header(std::size_t *length, std::string *why)
{
    bool have_length = false, have_header = false;
    char line[1024];
    for (;;) {
        if (!std::fgets(line, sizeof line, in)) {
            if (have_header)
                *why = "the input ended inside a message's header";
            return false;   // else between messages: the client went away
        }
        if (std::strcmp(line, "\r\n") == 0 || std::strcmp(line, "\n") == 0)
            break;
        have_header = true;
        if (std::strncmp(line, "Content-Length:", 15) == 0) {
            if (!parse_length(line + 15, length)) {
                const char *value = line + 15 + std::strspn(line + 15, " \t");
                *why = "Content-Length " + check_quote(std::string(value, std::strcspn(value, "\r\n"))) +
                       " is no length from 0 to " + std::to_string(MAX_MESSAGE) +
                       ": the messages cannot be told apart";
                return false;
            }
            have_length = true;
        }
    }
    if (!have_length)
        *why = "a message without Content-Length: the messages cannot be told apart";
    return have_length;
}

// One message's body; false at the end of input, or with *why set.
bool read_message(std::string *body, std::string *why)
{
    std::size_t length = 0;
    if (!read_header(&length, why))
        return false;
    body->clear();   // grown as the bytes come: a length that lies costs nothing
    char chunk[65536];
    while (body->size() < length) {
        std::size_t want = std::min(sizeof chunk, length - body->size());
        std::size_t got = std::fread(chunk, 1, want, in);
        body->append(chunk, got);
        if (got < want) {
            *why = "the input ended after " + std::to_string(body->size()) + " of the " +
                   std::to_string(length) + " bytes of a message";
            return false;
        }
    }
    return true;
}

json parse_message(const std::string &body)
{
    return json::parse(body, [](int depth, json::parse_event_t, json &) {
        if (depth > MAX_DEPTH)
            throw TooDeep{};
        return true;
    }, false);
}

// More of a message already waiting: the input is unbuffered (lsp_run), so
// what the stream holds is what the descriptor holds.
bool input_waiting(void)
{
    int fd = fileno(in);
    if (fd < 0)
        return false;   // a stream in memory: every message counts as the last
#ifdef _WIN32
    DWORD avail = 0;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return PeekNamedPipe(h, nullptr, 0, nullptr, &avail, nullptr) && avail > 0;
#else
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
#endif
}

void send(const json &message)
{
    std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    std::fprintf(out, "Content-Length: %zu\r\n\r\n", body.size());
    std::fwrite(body.data(), 1, body.size(), out);
    std::fflush(out);
}

void reply(const json &id, const json &result)
{
    send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

void reply_error(const json &id, int code, const std::string &message)
{
    send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

/* ---- positions: offsets in the text as scanned, lines and columns as the client counts ---- */

// The column units of the bytes [from, to) of one line.
std::size_t units(const std::string &t, uint64_t from, uint64_t to)
{
    if (utf8_columns)
        return static_cast<std::size_t>(to - from);
    std::size_t n = 0;
    for (uint64_t i = from; i < to; i++) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if ((c & 0xc0) != 0x80)
            n += c >= 0xf0 ? 2 : 1;   // a character beyond the first plane takes two
    }
    return n;
}

uint64_t walk(const std::string &t, uint64_t from, uint64_t end, uint64_t want)
{
    uint64_t n = 0;
    uint64_t at = from;
    while (at < end && n < want) {
        unsigned char c = static_cast<unsigned char>(t[at++]);
        if (utf8_columns || (c & 0xc0) != 0x80)
            n += !utf8_columns && c >= 0xf0 ? 2 : 1;
    }
    while (at < end && (static_cast<unsigned char>(t[at]) & 0xc0) == 0x80)
        at++;   // not inside a character
    return at;
}

int line_of(const Script &s, uint64_t offset)
{
    auto next = std::upper_bound(s.lines.begin(), s.lines.end(), offset);
    return static_cast<int>(next - s.lines.begin()) - 1;
}

// A client sees the byte-order mark as the first character, the scanner not at all.
std::size_t mark_units(const Script &s, int line)
{
    return line == 0 && s.byte_order_mark ? (utf8_columns ? 3 : 1) : 0;
}

json position(const Script &s, uint64_t offset)
{
    int line = line_of(s, offset);
    uint64_t start = s.lines[static_cast<std::size_t>(line)];
    return {{"line", line}, {"character", mark_units(s, line) + units(s.scanned, start, offset)}};
}

// A position's line and character; false for one that no text has (a
// negative or fractional number, or one past 2^64).
bool line_char(const json &pos, const std::string &name, uint64_t *line, uint64_t *character)
{
    const json &l = lsp::member(pos, "line"), &c = lsp::member(pos, "character");
    if (!l.is_number() || !c.is_number())
        throw lsp::BadParam(name + " needs a line and a character, both numbers");
    if (!l.is_number_unsigned() || !c.is_number_unsigned())
        return false;
    *line = l.get<uint64_t>();
    *character = c.get<uint64_t>();
    return true;
}

// Where a position falls in the text as scanned; false for none (a column
// past the end of its line is the line's end).
bool offset_of(const Script &s, const json &pos, uint64_t *offset)
{
    uint64_t line, want;
    if (!line_char(pos, "position", &line, &want) || line >= s.lines.size())
        return false;
    uint64_t at = s.lines[line];
    uint64_t end = line + 1 < s.lines.size() ? s.lines[line + 1] - 1 : s.scanned.size();
    want -= std::min<uint64_t>(want, mark_units(s, static_cast<int>(line)));
    *offset = walk(s.scanned, at, end, want);
    return true;
}

json range(const Script &s, uint64_t from, uint64_t to)
{
    return {{"start", position(s, from)}, {"end", position(s, to)}};
}

json token_range(const Script &s, int tok)
{
    const Tok &t = s.toks[static_cast<std::size_t>(tok)];
    return range(s, t.start, t.start + t.length);
}

json location(const std::string &uri, const Script &s, int tok)
{
    return {{"uri", uri}, {"range", token_range(s, tok)}};
}

bool is_name(int code)
{
    return code == LABEL || code == VARIABLE || code == NUMBER || check_is_keyword(code);
}

// The token under the cursor, or just before it (a cursor after a word); -1 for none.
int token_at(const Script &s, uint64_t offset)
{
    auto after = std::upper_bound(s.toks.begin(), s.toks.end(), offset,
                                  [](uint64_t o, const Tok &t) { return o < t.start; });
    if (after == s.toks.begin())
        return -1;
    int i = static_cast<int>(after - s.toks.begin()) - 1;
    const Tok &t = s.toks[static_cast<std::size_t>(i)];
    if (t.code == 0 || offset > t.start + t.length)
        return -1;
    // between a word and what follows it, where typing leaves the cursor: the word
    if (t.start == offset && !is_name(t.code) && i > 0) {
        const Tok &before = s.toks[static_cast<std::size_t>(i - 1)];
        if (before.start + before.length == offset && is_name(before.code))
            return i - 1;
    }
    return i;
}

/* ---- documents ---- */

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

// With nothing more to read: every document's findings to its client.
void publish_all(void)
{
    for (auto &[uri, d] : docs)
        if (!d.published) {
            analysed(d);
            publish(uri, diagnostics(d.script));
            d.published = true;
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

// The document a request names, with where its jumps land; or null.
Doc *doc_of(const json &params)
{
    auto it = docs.find(lsp::text_param(params, "textDocument.uri"));
    if (it == docs.end())
        return nullptr;
    labelled(it->second);
    return &it->second;
}

}  // namespace

/* ---- requests ---- */

namespace lsp {

const json &member(const json &j, const char *path)
{
    const json *at = &j;
    for (std::string_view rest = path; !rest.empty();) {
        std::string_view key = rest.substr(0, rest.find('.'));
        rest.remove_prefix(std::min(rest.size(), key.size() + 1));
        if (!at->is_object())
            return NONE;
        auto it = at->find(key);
        if (it == at->end())
            return NONE;
        at = &*it;
    }
    return *at;
}

const std::string &text_param(const json &j, const char *path)
{
    const json &v = member(j, path);
    if (!v.is_string())
        throw BadParam(std::string(path) + (v.is_null() ? " is missing" : " must be a text"));
    return v.get_ref<const std::string &>();
}

const Doc *doc_at(const json &params, uint64_t *offset)
{
    const Doc *d = doc_of(params);
    return d && offset_of(d->script, member(params, "position"), offset) ? d : nullptr;
}

json range_of(const Script &s, int first_tok, int last_tok)
{
    const Tok &b = s.toks[static_cast<std::size_t>(last_tok)];
    return range(s, s.toks[static_cast<std::size_t>(first_tok)].start, b.start + b.length);
}

int token_under(const Script &s, uint64_t offset)
{
    return token_at(s, offset);
}

// Where a position of an edit falls in the text as the client holds it; one
// past the last line is the end.
uint64_t raw_offset(const std::string &t, const json &pos, const char *name)
{
    uint64_t line, want;
    if (!line_char(pos, name, &line, &want))
        throw BadParam(std::string(name) + " lies before the start");
    uint64_t at = 0;
    for (uint64_t l = 0; l < line && at < t.size(); l++) {
        const void *nl = std::memchr(t.data() + at, '\n', t.size() - at);
        at = nl ? static_cast<uint64_t>(static_cast<const char *>(nl) - t.data()) + 1 : t.size();
    }
    uint64_t end = at;
    while (end < t.size() && t[end] != '\n')
        end++;
    return walk(t, at, end, want);
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

// Edits as the client makes them; one edit is checked again only around it.
// A change that cannot be made leaves the document as it was.
void text_change(const json &params)
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

json label_at(const json &params, const Doc **doc, int *tok)
{
    *doc = doc_of(params);
    if (!*doc)
        return nullptr;
    const Script &s = (*doc)->script;
    uint64_t offset;
    if (!offset_of(s, member(params, "position"), &offset))
        return nullptr;
    *tok = token_at(s, offset);
    if (*tok < 0 || s.toks[static_cast<std::size_t>(*tok)].code != LABEL)
        return nullptr;
    return true;
}

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

/* ---- the loop ---- */

namespace {

void did_open(const json &params)
{
    open_doc(lsp::text_param(params, "textDocument.uri"), lsp::text_param(params, "textDocument.text"));
}

void did_save(const json &params)
{
    const std::string &uri = lsp::text_param(params, "textDocument.uri");
    if (!lsp::member(params, "text").is_null())
        open_doc(uri, lsp::text_param(params, "text"));
    else if (docs.count(uri))
        docs[uri].published = false;
}

void did_close(const json &params)
{
    std::string uri = lsp::text_param(params, "textDocument.uri");
    docs.erase(uri);
    publish(uri, json::array());
}

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
     nullptr, lsp::text_change},
    {"textDocument/didSave", R"({"textDocumentSync": {"save": true}})", nullptr, did_save},
    {"textDocument/didClose", R"({"textDocumentSync": {"openClose": true}})", nullptr, did_close},
    {"textDocument/definition", R"({"definitionProvider": true})", lsp::definition, nullptr},
    {"textDocument/references", R"({"referencesProvider": true})", lsp::references, nullptr},
    {"textDocument/documentSymbol", R"({"documentSymbolProvider": true})", lsp::symbols, nullptr},
    {"textDocument/hover", R"({"hoverProvider": true})", lsp::hover, nullptr},
    {"textDocument/completion", R"({"completionProvider": {"triggerCharacters": [" "]}})",
     lsp::completion, nullptr},
    {"textDocument/prepareRename", R"({"renameProvider": {"prepareProvider": true}})",
     [](const json &params) { return lsp::rename(params, true); }, nullptr},
    {"textDocument/rename", R"({"renameProvider": {}})",
     [](const json &params) { return lsp::rename(params, false); }, nullptr},
};

json capabilities(const json &params)
{
    const json &encodings = lsp::member(params, "capabilities.general.positionEncodings");
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
    const json &method = lsp::member(msg, "method");
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
        dispatch(name, lsp::member(msg, "params"), request, id);
    } catch (const NoMethod &) {
        reply_error(id, METHOD_NOT_FOUND, "no method " + check_quote(name));
    } catch (const lsp::BadParam &e) {
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
    in = input;
    out = output;
    docs.clear();
    initialized = shut_down = false;
    std::string body;
    int status = 1;   // the input ended without an exit: the client went away
    std::setvbuf(in, nullptr, _IONBF, 0);   // see input_waiting
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
