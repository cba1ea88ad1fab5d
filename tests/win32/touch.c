/*
 * touch.c - makes each file named by its arguments, empty, unless it is
 * there already: a script's way to signal a program it started.
 */
#include <stdio.h>

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        FILE *f = fopen(argv[i], "a");
        if (!f)
            return 1;
        fclose(f);
    }
    return 0;
}
