/*
 * message_win32.cpp - WM_COPYDATA to the window of that title, and the
 * clipboard as CF_TEXT.
 */
#include "message.h"

#include <windows.h>

#include <cstring>

void oc_deliver(const char *title, const char *text)
{
    HWND hwnd_ex = FindWindowA(nullptr, title);
    if (!hwnd_ex)
        return;
    COPYDATASTRUCT cds;
    cds.dwData = 0;
    cds.cbData = static_cast<DWORD>(std::strlen(text) + 1);
    cds.lpData = const_cast<char *>(text);
    // returns once the window has handled it; its answer means nothing to us
    SendMessageA(hwnd_ex, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

void oc_clipboard(const char *text)
{
    std::size_t n = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GHND, n);
    if (!block)
        return;
    void *p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return;
    }
    std::memcpy(p, text, n);
    GlobalUnlock(block);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        if (SetClipboardData(CF_TEXT, block))
            block = nullptr;   // the clipboard owns it now
        CloseClipboard();
    }
    if (block)
        GlobalFree(block);
}
