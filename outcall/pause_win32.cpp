/*
 * pause_win32.cpp - Sleep and Beep.
 */
#include "pause.h"

#include <windows.h>

void oc_pause(long ms)
{
    if (ms > 0)
        Sleep(static_cast<DWORD>(ms));
}

void oc_tone(void)
{
    // Beep blocks for the tone's length; where there is no sound it fails at once
    DWORD start = GetTickCount();
    Beep(240, 100);
    DWORD took = GetTickCount() - start;
    if (took < 100)
        Sleep(100 - took);
}
