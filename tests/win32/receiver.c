/*
 * receiver.c - a hidden top-level window titled argv[1] that writes each
 * WM_COPYDATA it receives to standard output, bytes as sent, and answers
 * only after argv[3] milliseconds. It says "ready" once it can be found
 * and ends after argv[2] messages (0: never, to keep a window alive).
 */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static int left;       /* messages still to take; 0: no end */
static DWORD hold_ms;  /* how long handling a message takes */

static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COPYDATA) {
        const COPYDATASTRUCT *cds = (const COPYDATASTRUCT *)lp;
        fwrite(cds->lpData, 1, cds->cbData, stdout);
        fflush(stdout);
        Sleep(hold_ms);
        if (left > 0 && --left == 0)
            PostQuitMessage(0);
        return TRUE;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    left = argc > 2 ? atoi(argv[2]) : 1;
    hold_ms = argc > 3 ? (DWORD)atoi(argv[3]) : 0;
    _setmode(_fileno(stdout), _O_BINARY);
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "quill-test-receiver";
    if (!RegisterClassA(&wc))
        return 1;
    HWND hwnd = CreateWindowA(wc.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                              NULL, NULL, wc.hInstance, NULL);
    if (!hwnd)
        return 1;
    printf("ready\n");
    fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
