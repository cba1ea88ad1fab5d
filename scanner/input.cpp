/*
 * input.cpp - where the scanner's characters come from: text-mode reading
 * (CR LF as LF, Ctrl-Z as the end), terminal versus block reads, and the
 * rewind for backward jumps. Everything read is kept, so a rewind replays it
 * from memory: no system call per loop pass, and pipes rewind like files.
 */
#include "quill.h"

#include <unistd.h>

#include <cstring>
#include <vector>

constexpr char CTRL_Z = 0x1a;

static FILE *stream;            // the stream the state below belongs to
static bool ended;              // Ctrl-Z met: the script ends there, on every pass
static std::vector<char> kept;  // all the stream delivered, translated, for rewinds
static std::size_t replay;      // read position in kept after a rewind
static bool fresh;              // nothing read from the stream yet
#ifdef QUILL_FUZZ
static unsigned long rewinds;   // per input, to bound loops
#endif

static int tty_fd = -1, tty_answer;   // the last isatty asked and its answer

int input_isatty(int fd)
{
    if (fd != tty_fd || fd < 0) {
        tty_fd = fd;
        tty_answer = isatty(fd);
    }
    return tty_answer;
}

void input_reset(void)
{
    tty_fd = -1;
    stream = nullptr;
    ended = false;
    kept.clear();
    replay = 0;
    fresh = true;
#ifdef QUILL_FUZZ
    rewinds = 0;
#endif
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
            diag_input_failed();
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
        diag_input_failed();
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
    if (replay < kept.size()) {
        std::size_t n = kept.size() - replay;
        if (n > static_cast<std::size_t>(max))
            n = static_cast<std::size_t>(max);
        std::memcpy(buf, kept.data() + replay, n);
        replay += n;
        return static_cast<int>(n);
    }
    if (ended)
        return 0;
    int n = interactive ? read_line(buf, max) : read_block(buf, max);
    if (fresh) {
        fresh = false;
        n = drop_byte_order_mark(buf, n);
    }
    kept.insert(kept.end(), buf, buf + n);
    replay = kept.size();
    return n;
}

void input_rewind(void)
{
#ifdef QUILL_FUZZ
    if (++rewinds > QUILL_FUZZ_REWINDS)
        diag_fatal(0, "%s", "");   // maybe a loop without end: stop this input
#endif
    if (stream != yyin)
        bind();
    replay = 0;
}

int32_t scan_number(const char *digits, int base)
{
    int64_t v = 0;
    const char *p = digits;
    if (base == 16)
        p += 2;  // 0x
    for (; *p; p++) {
        int d = *p <= '9' ? *p - '0' : (*p | 0x20) - 'a' + 10;
        v = v * base + d;
        if (v > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int32_t>(v);
}
