/*
 * texts.cpp - the texts of the script's literals, kept beside its tokens:
 * a STRING token's value is its text's offset here.
 */
#include "scan.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t TEXT_CHUNK = 1u << 16;   // a literal (at most 8190 bytes) never straddles two

char **texts;            // chunks, kept for the whole run
uint32_t ntexts;
uint32_t texts_used;     // chunks in use: the last one is being filled
uint32_t text_used;      // bytes used in the last chunk

}  // namespace

int texts_add(const char *text, int len)
{
    const char *nul = static_cast<const char *>(std::memchr(text, '\0', len));
    std::size_t n = nul ? static_cast<std::size_t>(nul - text) : static_cast<std::size_t>(len);
    if (texts_used == 0 || text_used + n + 1 > TEXT_CHUNK) {
        if (texts_used == INT32_MAX / TEXT_CHUNK)
            tokens_fail(ScanFault::NO_MEMORY);   // offsets are 32-bit
        if (texts_used == ntexts)
            scan_grow(texts, ntexts, static_cast<char *>(std::malloc(TEXT_CHUNK)));
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

const char *texts_at(int32_t offset)
{
    return texts[offset / TEXT_CHUNK] + offset % TEXT_CHUNK;
}

void texts_reset(void)
{
    texts_used = 0;   // chunks are kept and filled again
}
