/*
 * lsp.h - the language server's parts. From the top: the loop and its
 * table of methods (lsp.cpp); the requests, about labels (lsp_labels.cpp)
 * and while one types (lsp_help.cpp); the documents (lsp_docs.cpp); places
 * as the client names them (lsp_places.cpp); the messages (lsp_io.cpp).
 */
#ifndef LSP_H
#define LSP_H

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "check.h"

#ifndef QUILL_VERSION
#define QUILL_VERSION "0"
#endif

// Serves one client until it says exit (0 after shutdown, else 1) or goes away (1).
int lsp_run(std::FILE *in, std::FILE *out);

namespace lsp {

/* ---- lsp_help.cpp ---- */
nlohmann::json hover(const nlohmann::json &params);
nlohmann::json completion(const nlohmann::json &params);

/* ---- lsp_labels.cpp ---- */
nlohmann::json definition(const nlohmann::json &params);
nlohmann::json references(const nlohmann::json &params);
nlohmann::json symbols(const nlohmann::json &params);
nlohmann::json rename(const nlohmann::json &params, bool prepare);

/* ---- lsp_docs.cpp ---- */
// Edits are parsed at once; the analyses wait until a request needs them or
// the client has nothing more to send, so typing into a large document costs
// a parse around each edit.
struct Doc {
    Script script;
    Flow flow;
    enum Stage { PARSED, LABELLED, ANALYSED } stage = PARSED;   // what flow holds
    bool published = false;   // its diagnostics are the client's
};
void docs_reset(void);   // no document open
// The notifications. An edit is checked again only around it; a change
// that cannot be made leaves the document as it was.
void did_open(const nlohmann::json &params);
void did_change(const nlohmann::json &params);
void did_save(const nlohmann::json &params);
void did_close(const nlohmann::json &params);
void publish_all(void);   // every document's findings to the client, where it has not got them
// The document params names, with where its jumps land; null for none.
const Doc *doc_of(const nlohmann::json &params);
// The same, and the offset of its position in it; null for a position outside it.
const Doc *doc_at(const nlohmann::json &params, uint64_t *offset);

/* ---- lsp_places.cpp: offsets in the text as scanned; lines and characters as the client counts ---- */
extern bool utf8_columns;   // the client counts characters in bytes, not UTF-16 units
int line_of(const Script &s, uint64_t offset);   // from 0
// Where a position falls in the text as scanned; false for none (a column
// past the end of its line is the line's end).
bool offset_of(const Script &s, const nlohmann::json &pos, uint64_t *offset);
// Where a position of an edit falls in the text as the client holds it; one
// past the last line is the end.
uint64_t raw_offset(const std::string &t, const nlohmann::json &pos, const char *name);
nlohmann::json range(const Script &s, uint64_t from, uint64_t to);
nlohmann::json range_of(const Script &s, int first_tok, int last_tok);
nlohmann::json token_range(const Script &s, int tok);
nlohmann::json location(const std::string &uri, const Script &s, int tok);
// The token under the cursor, or just before it (a cursor after a word); -1 for none.
int token_under(const Script &s, uint64_t offset);

/* ---- lsp_io.cpp ---- */
// Messages nest a few levels; copying or writing one nested without bound
// would take a stack frame a level.
constexpr int MAX_DEPTH = 1000;
struct TooDeep {};
void io_start(std::FILE *input, std::FILE *output);
// One message's body; false at the end of input, or with *why set when the
// input cannot be told apart into messages.
bool read_message(std::string *body, std::string *why);
nlohmann::json parse_message(const std::string &body);   // discarded if no JSON; or TooDeep
bool input_waiting(void);   // more of a message already waiting
void send(const nlohmann::json &message);
void reply(const nlohmann::json &id, const nlohmann::json &result);
void reply_error(const nlohmann::json &id, int code, const std::string &message);
extern const nlohmann::json NONE;   // what a missing member reads as
// A parameter missing or of the wrong kind; the text names it.
struct BadParam : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// The member of j at path ("textDocument.uri"); NONE where there is none.
const nlohmann::json &member(const nlohmann::json &j, const char *path);
// The text at path, or BadParam.
const std::string &text_param(const nlohmann::json &j, const char *path);

}  // namespace lsp

#endif
