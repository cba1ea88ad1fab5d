/*
 * input.cpp - where the scanner's characters come from: text-mode reading
 * (CR LF as LF, Ctrl-Z as the end) and terminal versus block reads. Each
 * byte is read once: the token stream is what a rewind goes back to.
 */
#include "scan.h"

#include <cstdlib>
#include <cstring>

constexpr char CTRL_Z = 0x1a;

static FILE *stream;            // the stream the state below belongs to
static bool ended;              // Ctrl-Z met: the script ends there
static bool fresh;              // nothing read from the stream yet
static uint64_t bytes;          // handed to the scanner so far

void input_reset(void)
{
    stream = nullptr;
    ended = false;
    fresh = true;
    bytes = 0;
}

uint64_t input_bytes(void)
{
    return bytes;
}

static void bind(void)
{
    input_reset();
    stream = yyin;
}

// After a CR that ended the raw data: is the next byte of the stream an LF?
static bool lf_follows(void)
{
    int c = std::getc(stream);
    if (c == '\n')
        return true;
    if (c != EOF)
        std::ungetc(c, stream);
    return false;
}

/* Text-mode translation in place; returns the new length. */
static int translate(char *buf, int n)
{
    char *z = static_cast<char *>(std::memchr(buf, CTRL_Z, n));
    if (z) {
        n = static_cast<int>(z - buf);
        ended = true;
    }
    if (!std::memchr(buf, '\r', n))
        return n;
    int out = 0;
    for (int i = 0; i < n; i++) {
        if (buf[i] == '\r') {
            if (i + 1 < n ? buf[i + 1] == '\n' : (!ended && lf_follows())) {
                buf[out++] = '\n';
                i++;
                continue;
            }
        }
        buf[out++] = buf[i];
    }
    return out;
}

// Fills the block as a text-mode read does: dropped CRs make room for more.
static int read_block(char *buf, int max)
{
    int n = 0;
    while (n < max && !ended) {
        std::size_t want = static_cast<std::size_t>(max - n);
        std::size_t got = std::fread(buf + n, 1, want, stream);
        if (got == 0 && n == 0 && std::ferror(stream))
            tokens_fail(ScanFault::READ_FAILED);
        n += translate(buf + n, static_cast<int>(got));
        if (got < want)
            break;   // end of input, or an error the next read reports
    }
    return n;
}

// A terminal hands over each line as soon as it is typed.
static int read_line(char *buf, int max)
{
    int n = 0;
    int c = EOF;
    while (n < max && (c = std::getc(stream)) != EOF && c != '\n')
        buf[n++] = static_cast<char>(c);
    if (c == '\n')
        buf[n++] = '\n';
    if (c == EOF && n == 0 && std::ferror(stream))
        tokens_fail(ScanFault::READ_FAILED);
    return translate(buf, n);
}

// Editors on Windows start UTF-8 files with EF BB BF: skipped there and only there.
static int drop_byte_order_mark(char *buf, int n)
{
    if (n < 3 || std::memcmp(buf, "\xEF\xBB\xBF", 3) != 0)
        return n;
    std::memmove(buf, buf + 3, static_cast<std::size_t>(n - 3));
    return n - 3;
}

int input_read(char *buf, int max, int interactive)
{
    if (stream != yyin)
        bind();
    if (ended)
        return 0;
    if (tokens_reading)
        tokens_reading();
    int n = interactive ? read_line(buf, max) : read_block(buf, max);
    if (fresh) {
        fresh = false;
        n = drop_byte_order_mark(buf, n);
    }
    bytes += static_cast<uint64_t>(n);
    return n;
}
