/*
 * tokens.cpp - the script held as tokens. Each token is scanned once, when
 * the parser first asks beyond what was scanned; yylex hands the tokens out
 * from here and drops those a pending label search filters, and a rewind
 * only moves the read position. Where the parser stands at the start of an
 * item, the label index may carry the read position forward.
 */
#include "quill.h"

#include <cstdlib>
#include <cstring>

int32_t line_no = 1;      // the current script line, as the parser sees it
int32_t scan_value;       // value of the token scan_token just returned
uint32_t scan_lines;      // line feeds the scanner has consumed, texts excluded
bool fast_paths = true;   // off: every token goes through the parser

namespace {

// Kinds as stored: a token code less 256, or one of these.
constexpr uint8_t K_END = 0;      // end of input: never filtered
constexpr uint8_t K_CHAR = 1;     // a character token, its code in value
constexpr uint8_t stored(int code) { return static_cast<uint8_t>(code - 256); }
constexpr uint8_t K_LINES = stored(OPNEW) + 1;   // no token: more lines than one token counts
// From LP on, tokens carry no value and a search drops them.
constexpr uint8_t K_PLAIN = stored(LP), PLAINS = stored(OPNEW) - K_PLAIN;
static_assert(NL + 6 == LP && STRING + 1 == LABEL, "the valued kinds come first");

struct Token {
    int32_t value;    // NUMBER, VARIABLE, LABEL, CHAR: as scanned; STRING: text offset
    uint16_t lines;   // line feeds between the previous token's end and this one's
    uint8_t kind;
    uint8_t spare;
};
static_assert(sizeof(Token) == 8, "8 bytes a token: a 10 MB script stays within 8x");

// Chunks never move, so growing the stream copies nothing.
constexpr unsigned CHUNK_BITS = 14;
constexpr uint32_t CHUNK = 1u << CHUNK_BITS;
constexpr uint32_t TEXT_CHUNK = 1u << 16;   // a literal (at most 8190 bytes) never straddles two

// Plain arrays: the stream lives as long as the process (no destructor at exit).
Token **chunks;
char **texts;
uint32_t nchunks, ntexts;
uint32_t texts_used;     // text chunks in use: the last one is being filled
uint32_t count;          // tokens scanned
uint32_t pos;            // the next token to deliver
uint32_t text_used;      // bytes used in the last text chunk
uint32_t lines_seen;     // scan_lines when the last token was added
bool ended;              // the end of input is in the stream: never scan again
bool item_start = true;  // the last token the parser got ended an item
int32_t first_item;      // the state of the item at position 0 (others: in the ';' or ':' before)
#ifdef QUILL_FUZZ
unsigned long rewinds;   // per input, to bound loops
#endif

// Line counts wrap like every other 32-bit count of the language.
int32_t lines_after(uint32_t n)
{
    return static_cast<int32_t>(n);
}

Token &at(uint32_t i)
{
    return chunks[i >> CHUNK_BITS][i & (CHUNK - 1)];
}

// Appends p to a pointer array, which doubles when full.
template <typename T> void grow(T **&array, uint32_t &n, T *p)
{
    if ((n & (n - 1)) == 0) {   // a power of two: full
        void *bigger = std::realloc(array, (n ? 2 * n : 1) * sizeof(T *));
        if (!bigger)
            diag_out_of_memory();
        array = static_cast<T **>(bigger);
    }
    if (!p)
        diag_out_of_memory();
    array[n++] = p;
}

void push(uint8_t kind, int32_t value, uint16_t lines)
{
    if (count == UINT32_MAX)
        diag_out_of_memory();   // positions are 32-bit
    if ((count & (CHUNK - 1)) == 0 && (count >> CHUNK_BITS) == nchunks)
        grow(chunks, nchunks, static_cast<Token *>(std::malloc(CHUNK * sizeof(Token))));
    at(count++) = Token{value, lines, kind, 0};
}

// Scans one more token into the stream (the only place the scanner runs).
void scan_more(void)
{
    int code = scan_token();
    uint8_t kind = code == 0 ? K_END : code == SCAN_CHAR ? K_CHAR : stored(code);
    uint32_t gap = scan_lines - lines_seen;
    lines_seen = scan_lines;
    if (gap >= 0xffff) {
        push(K_LINES, static_cast<int32_t>(gap), 0);
        gap = 0;
    }
    // a ';' or ':' carries the state of the item after it
    int32_t value = kind == K_END || code == NL || code == COL ? ITEM_NEW : scan_value;
    push(kind, value, static_cast<uint16_t>(gap));
    if (kind == K_END)
        ended = true;
    if (code == NL || code == COL || code == LABEL || kind == K_END)
        jump_index_add(count - 1, code, scan_value, lines_after(1 + scan_lines));
}

}  // namespace

int tokens_add_text(const char *text, int len)
{
    const char *nul = static_cast<const char *>(std::memchr(text, '\0', len));
    std::size_t n = nul ? static_cast<std::size_t>(nul - text) : static_cast<std::size_t>(len);
    if (texts_used == 0 || text_used + n + 1 > TEXT_CHUNK) {
        if (texts_used == INT32_MAX / TEXT_CHUNK)
            diag_out_of_memory();   // offsets are 32-bit
        if (texts_used == ntexts)
            grow(texts, ntexts, static_cast<char *>(std::malloc(TEXT_CHUNK)));
        texts_used++;
        text_used = 0;
    }
    char *dst = texts[texts_used - 1] + text_used;
    std::memcpy(dst, text, n);   // up to a NUL inside: nothing reads past one
    dst[n] = '\0';
    int offset = static_cast<int>((texts_used - 1) * TEXT_CHUNK + text_used);
    text_used += static_cast<uint32_t>(n + 1);
    return offset;
}

// At an item start: let the label index and the recorded items run as far
// as they apply; the parser takes over where they do not.
static void run_fast(void)
{
    for (;;) {
        int jumped = jump_index_step(pos);
        if (jumped < 0)
            return;
        if (jumped > 0)
            continue;
        int32_t state = tokens_item_state(pos);
        if (state >= ITEM_FIRST_RECORD) {
            compiled_run(state - ITEM_FIRST_RECORD);
            continue;
        }
        if (state == ITEM_SEEN)
            compiled_begin(pos);   // its second run: the parser's reductions are recorded
        else if (state == ITEM_NEW)
            tokens_set_item_state(pos, ITEM_SEEN);
        return;
    }
}

int yylex(void)
{
    if (item_start && fast_paths && !quilldebug)
        run_fast();
    int search = skip();
    for (;;) {
        if (pos == count) {
            if (ended)
                return 0;
            scan_more();
        }
        const Token &t = at(pos++);
        line_no = lines_after(static_cast<uint32_t>(line_no) + t.lines);
        uint8_t kind = t.kind;
        if (static_cast<uint8_t>(kind - K_PLAIN) <= PLAINS) {
            if (search)
                continue;
            item_start = false;
            return kind + 256;
        }
        switch (kind) {
        case K_END:
            return 0;
        case K_LINES:
            line_no = lines_after(static_cast<uint32_t>(line_no) + static_cast<uint32_t>(t.value));
            continue;
        case K_CHAR:
            if (search)
                continue;
            item_start = false;
            return t.value;
        case stored(NL):
        case stored(COL):
            item_start = true;
            return kind + 256;
        case stored(LABEL):
            yylval = t.value;
            item_start = false;
            return LABEL;
        }
        if (search)
            continue;
        if (kind == stored(STRING)) {
            const char *text = tokens_text(t.value);
            yylval = pool_literal(text, static_cast<int>(std::strlen(text)));
        } else {
            yylval = t.value;   // NUMBER, VARIABLE
        }
        item_start = false;
        return kind + 256;
    }
}

uint32_t tokens_pos(void)
{
    return pos;
}

int32_t tokens_last_value(void)
{
    return at(pos - 1).value;
}

const char *tokens_text(int32_t offset)
{
    return texts[offset / TEXT_CHUNK] + offset % TEXT_CHUNK;
}

// An item's state is kept in the value of the ';' or ':' before it, which
// carries none of its own.
int32_t tokens_item_state(uint32_t at_pos)
{
    if (at_pos == 0)
        return first_item;
    const Token &t = at(at_pos - 1);
    return t.kind == stored(NL) || t.kind == stored(COL) ? t.value : ITEM_EXCLUDED;
}

void tokens_set_item_state(uint32_t at_pos, int32_t state)
{
    if (at_pos == 0) {
        first_item = state;
        return;
    }
    Token &t = at(at_pos - 1);
    if (t.kind == stored(NL) || t.kind == stored(COL))
        t.value = state;
}

void tokens_rewind(void)
{
#ifdef QUILL_FUZZ
    if (++rewinds > QUILL_FUZZ_REWINDS)
        diag_fatal(0, "%s", "");   // maybe a loop without end: stop this input
#endif
    pos = 0;
    line_no = 1;
}

void tokens_seek(uint32_t to, int32_t line)
{
    pos = to;
    line_no = line;
}

void tokens_reset(void)
{
    count = pos = 0;
    texts_used = 0;   // chunks are kept and filled again
    scan_lines = lines_seen = 0;
    ended = false;
    item_start = true;
    line_no = 1;
#ifdef QUILL_FUZZ
    rewinds = 0;
#endif
    first_item = ITEM_NEW;
    jump_index_reset();
    compiled_reset();
    input_reset();
    yyrestart(yyin);
}

void tokens_configure(void)
{
    const char *slow = std::getenv("QUILL_SLOW");
    fast_paths = !(slow && *slow && std::strcmp(slow, "0") != 0);
}
