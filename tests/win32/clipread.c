/*
 * clipread.c - writes the clipboard's CF_TEXT to standard output, bytes as
 * stored; exits with 1 when the clipboard holds no text.
 */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

int main(void)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (!OpenClipboard(NULL))
        return 1;
    HANDLE h = GetClipboardData(CF_TEXT);
    const char *text = h ? (const char *)GlobalLock(h) : NULL;
    if (text) {
        fputs(text, stdout);
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text ? 0 : 1;
}
