/*
 * history.h - what each item of a debugged run changed, so the debugger
 * can step back: the variables, ev, the label counters, top, where the
 * pool's next text goes, and the pool bytes written. A record holds the
 * values it would swap in: undoing it and doing it again are the same swap,
 * run backward or forward over its pool writes. Bounded: when full, the
 * oldest records go.
 */
#ifndef DEBUG_HISTORY_H
#define DEBUG_HISTORY_H

#include <cstddef>
#include <cstdint>

// limit: bytes, 0 keeps none. passes: told of the jumps an item took (their
// count at its pos) as it is undone (delta < 0) or done again.
void history_start(std::size_t limit, void (*passes)(uint32_t pos, int32_t delta));
bool history_on(void);
// An item starts: the record of the one before is closed, this one's opened.
// writes: what the item may change (RunWatch::writes): only that is compared.
void history_item(uint32_t pos, int32_t line, uint32_t writes);
void history_jumped(void);   // the item took a jump
// The debugger changed the run's values: the open record compares them all.
void history_touched(void);
void history_pool(const char *at, std::size_t n);   // pool bytes about to be written
bool history_in_past(void);
// One record undone (false with *why at the oldest kept): the run's state
// is the item's start, at pos and line.
bool history_back(uint32_t *pos, int32_t *line, const char **why);
// One record done again; false when the present is reached (nothing done).
// Where the run stands then: the next record's item, or nothing at the end.
bool history_forward(uint32_t *pos, int32_t *line);
void history_forget_future(void);   // the past, changed, becomes the present
// Items whose records were made, less those undone: where in time the run
// stands (a record forgotten for the limit still counts).
uint64_t history_time(void);

#endif
