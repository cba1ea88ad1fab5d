/*
 * argprint.c - prints its argument vector as the runtime split it, each
 * element in brackets, argv[0] first, then a line feed; exits with the
 * number of arguments. With ARGPRINT_DELAY=ms set it waits that long first;
 * with ARGPRINT_AWAIT=file it first waits (30 s at most) until that file
 * exists; with ARGPRINT_FDS set it also lists the descriptors it inherited;
 * with ARGPRINT_DONE=file it writes that file once it has printed.
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
    const char *await = getenv("ARGPRINT_AWAIT");
    for (int i = 0; await && i < 1500 && _access(await, 0) != 0; i++)
        Sleep(20);
    for (int i = 0; i < argc; i++)
        printf("[%s]", argv[i]);
    if (getenv("ARGPRINT_FDS")) {
        for (int fd = 0; fd < 64; fd++)
            if (_get_osfhandle(fd) != -1)
                printf(" %d", fd);
    }
    printf("\n");
    fflush(stdout);
    const char *done = getenv("ARGPRINT_DONE");
    FILE *f = done ? fopen(done, "w") : NULL;
    if (f) {
        fputs("done\n", f);
        fclose(f);
    }
    return argc - 1;
}
