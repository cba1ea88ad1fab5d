/*
 * agent.h - quill's side of a debugging session. quill-debug starts quill
 * with QUILL_DEBUG_CHANNEL naming where it listens; the agent connects
 * there, tells core's hooks to report to it, and stops the run where the
 * debugger asks. Lines of text go both ways (channel.h).
 */
#ifndef AGENT_H
#define AGENT_H

// Called once the pool and the output are ready, before the parse: when
// quill runs under quill-debug, connects and waits to be told to start.
void agent_start(void);

#endif
