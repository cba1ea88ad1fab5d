/*
 * argprint.c - prints its argument vector as the runtime split it, each
 * element in brackets, argv[0] first, then a line feed; exits with the
 * number of arguments. With ARGPRINT_DELAY=ms set it waits that long first;
 * with ARGPRINT_FDS set it also lists the descriptors it inherited.
 */
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv)
{
    const char *delay = getenv("ARGPRINT_DELAY");
    if (delay)
        Sleep((DWORD)atoi(delay));
    for (int i = 0; i < argc; i++)
        printf("[%s]", argv[i]);
    if (getenv("ARGPRINT_FDS")) {
        for (int fd = 0; fd < 64; fd++)
            if (_get_osfhandle(fd) != -1)
                printf(" %d", fd);
    }
    printf("\n");
    return argc - 1;
}
