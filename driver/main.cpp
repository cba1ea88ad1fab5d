/*
 * main.cpp - quill: options, then one parse of the whole script.
 */
#include "quill.h"

int main(int argc, char **argv)
{
    driver_standard_streams();
    int status = driver_options(argc, argv);
    if (status >= 0)
        return status;
    return driver_run();
}
