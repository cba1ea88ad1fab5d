/*
 * hooks.h - what a debugger is told of a run. quill-debug's agent sets
 * run_hooks; without a debugger it stays null and each hook is one branch
 * that is never taken.
 */
#ifndef HOOKS_H
#define HOOKS_H

#include <atomic>
#include <cstddef>
#include <cstdint>

enum class RunReport { FAULT, SYNTAX, WRAP };   // runtime error, syntax error, pool over

struct RunHooks {
    // An item about to run (not an empty statement): its first token's
    // stream position and line. True when the debugger moved the read
    // position (a goto): the run goes on from there.
    bool (*item)(uint32_t pos, int32_t line);
    // A search ended at the definition of lab (the label token at pos).
    void (*landed)(uint32_t pos, int32_t line);
    void (*jumped)(int lab);          // a jump taken: a search for lab starts
    void (*report)(RunReport kind, const char *what);   // before the message
    void (*lost)(void);               // the input ended with a search pending
    void (*service)(int32_t number);  // a library call about to be made
    void (*pool)(char *at, std::size_t n);   // pool bytes about to be written
};
extern const RunHooks *run_hooks;   // items.cpp

/* Which item starts the debugger wants to see, asked by recorded items at
   each start (a check, not a call): all of them while every is set (a step,
   a pause, new breakpoints, watched variables), else those on the lines
   flagged. The debugger's thread may set every; the lines are the run's,
   and record_watch_lines (quill.h) copies them into the records made. */
struct RunWatch {
    std::atomic<bool> every;
    const uint8_t *lines;   // by line_no
    uint32_t nlines;
    uint32_t pos;           // the item running: its first token, kept at each start
    int32_t line;
    // The debugger moves the run ahead of what is scanned: each token the
    // parser's reader scans goes to the debugger, none to the parser.
    bool forward;
    // What the item starting may change besides ev, poolnum, top and pool
    // bytes: a bit for each variable it writes, WRITES_LABELS for the label
    // counters. A recorded item knows; the parser's items may change all.
    uint32_t writes;
};
constexpr uint32_t WRITES_LABELS = uint32_t(1) << 26, WRITES_ALL = ~uint32_t(0);
extern RunWatch run_watch;   // items.cpp
inline bool run_watch_line(int32_t line)
{
    return static_cast<uint32_t>(line) < run_watch.nlines && run_watch.lines[line];
}

#endif
