/*
 * lsp.h - the language server's parts: the loop and the label answers
 * (lsp.cpp), hover and completion (lsp_help.cpp).
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

// Edits are parsed at once; the analyses wait until a request needs them or
// the client has nothing more to send, so typing into a large document costs
// a parse around each edit.
struct Doc {
    Script script;
    Flow flow;
    enum Stage { PARSED, LABELLED, ANALYSED } stage = PARSED;   // what flow holds
    bool published = false;   // its diagnostics are the client's
};

// A parameter missing or of the wrong kind; the text names it.
struct BadParam : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// The member of j at path ("textDocument.uri"); null where there is none.
const nlohmann::json &member(const nlohmann::json &j, const char *path);
// The text at path, or BadParam.
const std::string &text_param(const nlohmann::json &j, const char *path);

// The document params names, and the offset of its position in it; null
// for no such document or a position outside it.
const Doc *doc_at(const nlohmann::json &params, uint64_t *offset);
int token_under(const Script &s, uint64_t offset);   // -1: none
nlohmann::json range_of(const Script &s, int first_tok, int last_tok);

nlohmann::json hover(const nlohmann::json &params);
nlohmann::json completion(const nlohmann::json &params);

}  // namespace lsp

#endif
