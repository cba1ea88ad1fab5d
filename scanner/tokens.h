/*
 * tokens.h - the script as a stream of tokens, each scanned once, on first
 * demand. What scanner/ offers the layers above: it knows nothing of them.
 */
#ifndef TOKENS_H
#define TOKENS_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "grammar.h"   // generated: the token codes

extern FILE *yyin;   // the script stream (flex's own name)

// A token as stored. Kinds are token codes less 256, or one of K_END,
// K_CHAR and K_LINES.
struct Token {
    int32_t value;    // NUMBER, VARIABLE, LABEL, CHAR: as scanned; STRING: text offset;
                      // NL, COL: a word the user of the stream keeps for the item after it
    uint16_t lines;   // line feeds between the previous token's end and this one's
    uint8_t kind;
    uint8_t spare;
};
static_assert(sizeof(Token) == 8, "8 bytes a token: a script's tokens stay within 8x its size");

constexpr uint8_t token_kind(int code) { return static_cast<uint8_t>(code - 256); }
constexpr uint8_t K_END = 0;                            // end of input
constexpr uint8_t K_CHAR = 1;                           // a character token, its code in value
constexpr uint8_t K_LINES = token_kind(OPNEW) + 1;      // no token: value more line feeds
// From LP on, tokens carry no value and a label search drops them.
constexpr uint8_t K_PLAIN = token_kind(LP), K_PLAIN_LAST = token_kind(OPNEW);
static_assert(NL + 6 == LP && STRING + 1 == LABEL && NL == 258 && OPNEW == 292,
              "the valued kinds come first");

extern int32_t line_no;   // the line of the token read last: line feeds before it, plus one

// The read position: the next token to read, scanned on first demand.
// Line feeds (K_LINES too) count into line_no as tokens are read; null
// once the end of input has been read.
const Token *tokens_next(void);
uint32_t tokens_pos(void);
void tokens_seek(uint32_t pos, int32_t line);   // line: line_no there
void tokens_rewind(void);                        // the first token, line 1
int32_t tokens_last_value(void);                 // of the token read last

// Tokens scanned so far, for readers that look ahead without scanning:
// from pos < tokens_scanned(), the *n tokens that lie side by side.
uint32_t tokens_scanned(void);
const Token *tokens_span(uint32_t pos, uint32_t *n);

/* A walk along the tokens from a position, with line_no as reading them
   would leave it: the one walker, which the read position and every look
   ahead use. It goes as far as the tokens are scanned. */
struct TokenWalk {
    uint32_t pos;                  // the next token
    uint32_t line;                 // line_no after the token walked last
    const Token *at = nullptr;     // the rest of the span being walked
    const Token *stop = nullptr;
};
// The next token that is not a K_LINES, or null where the scanned ones end.
inline const Token *tokens_walk(TokenWalk &w)
{
    for (;;) {
        if (w.at == w.stop) {
            if (w.pos >= tokens_scanned())
                return nullptr;
            uint32_t n;
            w.at = tokens_span(w.pos, &n);
            w.stop = w.at + n;
        }
        const Token *t = w.at++;
        w.pos++;
        w.line += t->lines;   // line counts wrap like every 32-bit count of the language
        if (t->kind != K_LINES)
            return t;
        w.line += static_cast<uint32_t>(t->value);
    }
}

uint64_t tokens_bytes(void);   // bytes of script read so far
// Where the token scanned last lies: its first byte and its length, in the
// text as the scanner read it (CR LF already one LF).
void tokens_last_span(uint64_t *start, uint32_t *length);
uint64_t tokens_matched(void);   // bytes the scanner has matched, blanks and comments too
const char *texts_at(int32_t offset);      // a literal's text (texts.cpp)
// The word kept for the item starting at pos (in the ';' or ':' before it);
// null where no ';' or ':' comes before pos.
int32_t *tokens_item_word(uint32_t pos);
void tokens_reset(void);   // forget the stream: a new yyin
// For a reader that never goes back, once it has read all that was scanned:
// those tokens and their texts are dropped, and their room filled again.
void tokens_forget(void);

// What ends the scan: flex's own fatal errors (their text given), a failed
// read, no memory for more tokens. The user of the stream sets the handler,
// which must not return; every part of scanner/ ends the scan through
// tokens_fail, inline so that none of them calls another back.
enum class ScanFault { FLEX, READ_FAILED, NO_MEMORY };
extern void (*tokens_fault)(ScanFault fault, const char *flex_text);
[[noreturn]] inline void tokens_fail(ScanFault fault, const char *flex_text = "")
{
    if (tokens_fault)
        tokens_fault(fault, flex_text);
    std::abort();   // a handler that returned: nothing sound is left to do
}
// Called before each read of the script, which may wait for its writer.
extern void (*tokens_reading)(void);

#endif
