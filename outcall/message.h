/*
 * message.h - a text to another program's window, and a text to the
 * clipboard. message_posix.cpp and message_win32.cpp each provide them.
 */
#ifndef MESSAGE_H
#define MESSAGE_H

/* Hands text, with its NUL, to the receiver titled title in the caller's
   own session and returns once the receiver has handled it; nothing is
   sent when there is no such receiver. */
void oc_deliver(const char *title, const char *text);

/* Puts text on the desktop clipboard, where it stays after we end; nothing
   happens where there is no clipboard. */
void oc_clipboard(const char *text);

#endif
