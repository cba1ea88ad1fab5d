/*
 * lsp_io.cpp - the language server's messages: JSON-RPC bodies framed by
 * Content-Length headers, read from standard input and written to standard
 * output, and the members a message holds.
 */
#include "lsp.h"

#include <cctype>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#ifndef NOMINMAX   // the C++ library may have said so already
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#endif

using nlohmann::json;

namespace lsp {

const json NONE;

namespace {

std::FILE *in, *out;
constexpr std::size_t MAX_MESSAGE = std::size_t(1) << 30;

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

}  // namespace

void io_start(std::FILE *input, std::FILE *output)
{
    in = input;
    out = output;
    std::setvbuf(in, nullptr, _IONBF, 0);   // see input_waiting
}

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

// The input is unbuffered (io_start): what the stream holds is what the
// descriptor holds.
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

}  // namespace lsp
