/*
 * adapter.h - a debugging session on the Debug Adapter Protocol: the
 * client's requests answered from what quill's agent reports and the
 * script as quill-check reads it.
 */
#ifndef DEBUG_ADAPTER_H
#define DEBUG_ADAPTER_H

// Serves one client until it disconnects or goes; the exit status.
int adapter_run(void);

#endif
