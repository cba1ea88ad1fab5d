/*
 * host_int.h - what the two hosts (host_posix.cpp, host_win32.cpp) share:
 * the client's framing, the events waiting for the session, quill's output
 * as output events, the agent's lines. host_frames.cpp holds them.
 */
#ifndef DEBUG_HOST_INT_H
#define DEBUG_HOST_INT_H

#include <deque>
#include <string>

#include "host.h"

extern std::deque<HostEvent> host_pending;
HostEvent host_pop(void);   // the oldest waiting event, taken
// A message framed for the client, its seq added.
std::string host_frame(nlohmann::json message);
// The client's messages whole in buf, taken off it as events.
void host_take_client(std::string &buf);
// Bytes of quill's output: an output event, a UTF-8 sequence cut at the end
// kept in tail for the next (all of it when last).
void host_output(const char *category, std::string &tail, const char *p, std::size_t n, bool last);
// The agent's lines whole in buf, as events, each after drain(), which
// reads what quill printed before it.
void host_take_agent(std::string &buf, void (*drain)(void));

#endif
