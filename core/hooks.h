/*
 * hooks.h - what a debugger is told of a run. quill-debug's agent sets
 * run_hooks; without a debugger it stays null and each hook is one branch
 * that is never taken.
 */
#ifndef HOOKS_H
#define HOOKS_H

#include <cstdint>

enum class RunReport { FAULT, SYNTAX, WRAP };   // runtime error, syntax error, pool over

struct RunHooks {
    // An item about to run (not an empty statement): its first token's
    // stream position and line.
    void (*item)(uint32_t pos, int32_t line);
    // A search ended at the definition of lab (the label token at pos).
    void (*landed)(uint32_t pos, int32_t line);
    void (*jumped)(int lab);          // a jump taken: a search for lab starts
    void (*report)(RunReport kind, const char *what);   // before the message
    void (*lost)(void);               // the input ended with a search pending
    void (*service)(int32_t number);  // a library call about to be made
};
extern const RunHooks *run_hooks;   // items.cpp

#endif
