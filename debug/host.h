/*
 * host.h - quill-debug's ties to the system, below the session: the
 * client's messages (standard input and output, or one TCP connection on
 * 127.0.0.1), quill started with a private channel back, its output turned
 * into output events, its end.
 */
#ifndef DEBUG_HOST_H
#define DEBUG_HOST_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

struct Launch {
    std::string program, cwd, input;   // input: a file for standard input, "" for none
    std::vector<std::pair<std::string, std::optional<std::string>>> env;   // nullopt: unset
    std::vector<std::string> options;  // quill's, before -f
};

enum class HostEventKind { CLIENT, AGENT, EXITED, CLIENT_GONE };
struct HostEvent {
    HostEventKind kind;
    nlohmann::json message;   // CLIENT
    std::string line;         // AGENT: a line quill's agent sent
    int status = 0;           // EXITED: quill's exit status (128 + n for signal n)
};

// Talks DAP on standard input and output, or on the first connection to
// 127.0.0.1:port; false with *why if the port cannot be had.
bool host_open(int port, std::string *why);
void host_send(nlohmann::json message);   // its seq added
// The next thing that happened; output quill wrote goes out as output
// events first, in the order it came.
HostEvent host_next(void);
// Starts quill on the launch; false with *why.
bool host_start(const Launch &l, std::string *why);
// Only the channel, for a quill the client starts in a terminal: its name
// (set in QUILL_DEBUG_CHANNEL), or "" with *why.
std::string host_listen(std::string *why);
std::string host_quill(void);          // the quill beside quill-debug
void host_adopt(long pid);             // quill as the client started it, to end it
// EXITED's status when quill was not started here: its end is only seen
// as the channel closing.
constexpr int HOST_UNKNOWN_STATUS = -1;
bool host_running(void);
void host_end(bool at_once);   // SIGTERM (quill writes what waits), or SIGKILL
bool host_tell(const std::string &line);                      // to the agent
bool host_ask(const std::string &line, std::string *reply);   // an answer awaited
void host_close(void);   // the channel's directory removed

#endif
