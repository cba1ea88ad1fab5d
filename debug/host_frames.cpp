/*
 * host_frames.cpp - the hosts' shared part: framing and events.
 */
#include "host_int.h"

#include <cstdint>
#include <cstdlib>

using nlohmann::json;

std::deque<HostEvent> host_pending;

namespace {

long long seq;

// The bytes of text that end in the middle of a UTF-8 sequence wait for the
// rest: an output event must be valid UTF-8.
std::size_t whole_utf8(const std::string &text)
{
    std::size_t n = text.size(), back = 0;
    while (back < 3 && back < n && (static_cast<unsigned char>(text[n - 1 - back]) & 0xc0) == 0x80)
        back++;
    if (back == n)
        return n;
    unsigned char lead = static_cast<unsigned char>(text[n - 1 - back]);
    std::size_t need = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    return need > back + 1 && lead >= 0xc0 ? n - 1 - back : n;
}

}  // namespace

HostEvent host_pop(void)
{
    HostEvent e = std::move(host_pending.front());
    host_pending.pop_front();
    return e;
}

std::string host_frame(json message)
{
    message["seq"] = ++seq;
    std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

void host_take_client(std::string &buf)
{
    for (;;) {
        std::size_t head = buf.find("\r\n\r\n");
        if (head == std::string::npos)
            return;
        std::size_t length = SIZE_MAX;
        for (std::size_t at = 0; at < head;) {
            std::size_t eol = buf.find("\r\n", at);
            std::string line = buf.substr(at, eol - at);
            if (line.compare(0, 15, "Content-Length:") == 0)
                length = std::strtoull(line.c_str() + 15, nullptr, 10);
            at = eol + 2;
        }
        if (length == SIZE_MAX || length > (std::size_t(1) << 30)) {
            host_pending.push_back(HostEvent{HostEventKind::CLIENT_GONE, {}, "", 0});
            buf.clear();
            return;
        }
        if (buf.size() < head + 4 + length)
            return;
        json message = json::parse(buf.begin() + static_cast<long>(head + 4),
                                   buf.begin() + static_cast<long>(head + 4 + length), nullptr, false);
        buf.erase(0, head + 4 + length);
        if (!message.is_discarded() && message.is_object())
            host_pending.push_back(HostEvent{HostEventKind::CLIENT, std::move(message), "", 0});
    }
}

void host_output(const char *category, std::string &tail, const char *p, std::size_t n, bool last)
{
    tail.append(p, n);
    std::size_t whole = last ? tail.size() : whole_utf8(tail);
    if (!whole)
        return;
    host_send({{"type", "event"}, {"event", "output"},
               {"body", {{"category", category}, {"output", tail.substr(0, whole)}}}});
    tail.erase(0, whole);
}

void host_take_agent(std::string &buf, void (*drain)(void))
{
    std::size_t end;
    while ((end = buf.find('\n')) != std::string::npos) {
        std::string line = buf.substr(0, end);
        buf.erase(0, end + 1);
        drain();   // a stop shows after what the script printed before it
        host_pending.push_back(HostEvent{HostEventKind::AGENT, {}, line, 0});
    }
}
