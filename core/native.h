/*
 * native.h - loops the replay has run often enough, as x86-64 machine code
 * (native.cpp): the same effects as the ops, each check made as they make
 * it, and anything out of the ordinary left to the ops at the op where it
 * happens. On other processors, and with QUILL_NATIVE=0, loops stay ops,
 * laid out in the order they run (compiled_layout).
 */
#ifndef NATIVE_H
#define NATIVE_H

#include <cstdint>

struct Op;

/* A loop's closing jump (an ABOVE, or a branch fused with one) counts its
   passes in its d, and names its code in its rule (from 1), fields no such
   op otherwise uses. */
constexpr uint8_t NATIVE_ON = 254;    // its loop is compiled: rule names the code
constexpr uint8_t NATIVE_OFF = 255;   // never compiled
extern uint8_t native_hot;            // the passes counted before it asks native_loop

// QUILL_NATIVE: unset for the usual start (the 1000th pass), 0 for never
// (each loop's ops laid out at its first pass instead), N to compile at a
// loop's N-th pass (1: at once, as the tests run it).
void native_configure(const char *setting);
// The way on after a closing jump whose count reached native_hot: its loop
// run as machine code until something leads out of it, or the loop's head
// (counted again until the rounds of native_hot passes the setting asks).
uint32_t native_loop(Op *back);
void native_reset(void);   // forget all code: the ops it was made from are gone

#endif
