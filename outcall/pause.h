/*
 * pause.h - the two services that take time: a pause and a beep.
 * pause_posix.cpp and pause_win32.cpp each provide them.
 */
#ifndef PAUSE_H
#define PAUSE_H

/* Pauses ms milliseconds, resuming after signals; ms <= 0 returns at once. */
void oc_pause(long ms);

/* A 240 Hz tone for 100 ms where the system can sound one; returns after
   about 100 ms in every case and never writes to the standard streams. */
void oc_tone(void);

#endif
