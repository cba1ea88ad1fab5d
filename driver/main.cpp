/*
 * main.cpp - quill: options, then one parse of the whole script.
 */
#include "quill.h"

#include "streams.h"

int main(int argc, char **argv)
{
    streams_prepare();
    int status = options_read(argc, argv);
    if (status >= 0)
        return status;
    return driver_run();
}
