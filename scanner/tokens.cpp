/*
 * tokens.cpp - the script held as tokens. Each token is scanned once, when
 * a reader first asks beyond what was scanned, and kept for every later
 * read: a rewind or a jump only moves the read position.
 */
#include "scan.h"

#include <cstdlib>
#include <cstring>

int32_t line_no = 1;      // the line of the token read last
void (*tokens_fault)(ScanFault, const char *);
void (*tokens_reading)(void);

namespace {

// Chunks never move, so growing the stream copies nothing. Pages of a
// chunk count only once tokens fill them, so a large chunk costs a small
// script nothing.
constexpr unsigned CHUNK_BITS = 17;
constexpr uint32_t CHUNK = 1u << CHUNK_BITS;

// Plain arrays: the stream lives as long as the process (no destructor at exit).
Token **chunks;
uint32_t nchunks;
uint32_t count;          // tokens scanned
TokenWalk reading;       // the read position
uint32_t lines_seen;     // scan_lines when the last token was added
bool ended;              // the end of input is in the stream: never scan again
uint64_t last_start;     // the span of the token scanned last
uint32_t last_length;
int32_t first_item;      // the word of the item at position 0

Token &at(uint32_t i)
{
    return chunks[i >> CHUNK_BITS][i & (CHUNK - 1)];
}

void push(uint8_t kind, int32_t value, uint16_t lines)
{
    if (count == UINT32_MAX)
        tokens_fail(ScanFault::NO_MEMORY);   // positions are 32-bit
    if ((count & (CHUNK - 1)) == 0 && (count >> CHUNK_BITS) == nchunks)
        scan_grow(chunks, nchunks, static_cast<Token *>(std::malloc(CHUNK * sizeof(Token))));
    Token *slot = &at(count++);
    *slot = Token{value, lines, kind, 0};
    if (reading.stop == slot)
        reading.stop = slot + 1;   // the read position's span grows with the scan
}

// Scans one more token into the stream (the only place the scanner runs).
void scan_more(void)
{
    int code = scan_token();
    uint8_t kind = code == 0 ? K_END : code == SCAN_CHAR ? K_CHAR : token_kind(code);
    last_length = kind == K_END ? 0 : static_cast<uint32_t>(yyleng);
    last_start = scan_offset - last_length;
    uint32_t gap = scan_lines - lines_seen;
    lines_seen = scan_lines;
    if (gap >= 0xffff) {
        push(K_LINES, static_cast<int32_t>(gap), 0);
        gap = 0;
    }
    // only numbers, variables, labels, texts and characters carry a value
    bool valued = kind == K_CHAR || (kind != K_END && kind < K_PLAIN && code != NL && code != COL);
    push(kind, valued ? scan_value : 0, static_cast<uint16_t>(gap));
    if (kind == K_END)
        ended = true;
}

}  // namespace

const Token *tokens_next(void)
{
    if (reading.pos == count) {   // the first read of a token: scan it now
        if (ended)
            return nullptr;
        scan_more();              // K_LINES never comes last: a token follows it
    }
    reading.line = static_cast<uint32_t>(line_no);   // a replay sets it for its reports
    const Token *t = tokens_walk(reading);
    line_no = static_cast<int32_t>(reading.line);
    return t;
}

uint32_t tokens_pos(void)
{
    return reading.pos;
}

void tokens_seek(uint32_t to, int32_t line)
{
    reading = TokenWalk{to, static_cast<uint32_t>(line)};
    line_no = line;
}

void tokens_rewind(void)
{
    tokens_seek(0, 1);
}

int32_t tokens_last_value(void)
{
    return at(reading.pos - 1).value;
}

const Token *tokens_span(uint32_t from, uint32_t *n)
{
    uint32_t in_chunk = CHUNK - (from & (CHUNK - 1));
    *n = count - from < in_chunk ? count - from : in_chunk;
    return &at(from);
}

void tokens_last_span(uint64_t *start, uint32_t *length)
{
    *start = last_start;
    *length = last_length;
}

uint64_t tokens_bytes(void)
{
    return input_bytes();
}

uint64_t tokens_matched(void)
{
    return scan_offset;
}

uint32_t tokens_scanned(void)
{
    return count;
}

// A ';' or ':' carries no value of its own: its word is the next item's.
int32_t *tokens_item_word(uint32_t item)
{
    if (item == 0)
        return &first_item;
    Token &t = at(item - 1);
    return t.kind == token_kind(NL) || t.kind == token_kind(COL) ? &t.value : nullptr;
}

void tokens_forget(void)
{
    if (reading.pos != count)
        return;
    count = 0;
    reading = TokenWalk{0, reading.line};   // the line goes on: only the stream is emptied
    texts_reset();
}

void tokens_reset(void)
{
    count = 0;   // chunks are kept and filled again
    tokens_seek(0, 1);
    scan_lines = lines_seen = 0;
    scan_offset = 0;
    ended = false;
    first_item = 0;
    texts_reset();
    input_reset();
    yyrestart(yyin);
}
