/*
 * main.cpp - quill-debug: a debug adapter for Vantor scripts, on standard
 * input and output or, with --port, on one TCP connection to 127.0.0.1.
 */
#include "adapter.h"
#include "host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef QUILL_VERSION
#define QUILL_VERSION "0"
#endif

constexpr int EXIT_USAGE = 64;   // as quill-check's

static int usage_error(const std::string &what)
{
    std::fprintf(stderr, "quill-debug: %s\nTry 'quill-debug --help'.\n", what.c_str());
    return EXIT_USAGE;
}

static int usage(FILE *to, int status)
{
    std::fprintf(to,
                 "usage: quill-debug [--port N]\n"
                 "Debugs Vantor scripts for an editor, on the Debug Adapter Protocol:\n"
                 "the client's messages on standard input and output, or with --port on\n"
                 "the first connection to 127.0.0.1:N (0: any free port, named on\n"
                 "standard error). See quill-debug(1).\n"
                 "  --port N     listen on 127.0.0.1:N\n"
                 "  -V, --version  quill-debug's version\n"
                 "  -h, --help   this text\n");
    return status;
}

int main(int argc, char **argv)
{
    int port = -1;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--port") == 0) {
            if (i + 1 >= argc)
                return usage_error("--port takes a port number");
            char *end;
            long p = std::strtol(argv[++i], &end, 10);
            if (*end || !*argv[i] || p < 0 || p > 65535)
                return usage_error(std::string("--port takes a port number, not ") + argv[i]);
            port = static_cast<int>(p);
        } else if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::printf("quill-debug %s\n", QUILL_VERSION);
            return 0;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            return usage(stdout, 0);
        } else {
            return usage_error(std::string("unknown option ") + argv[i]);
        }
    }
    std::string why;
    if (!host_open(port, &why)) {
        std::fprintf(stderr, "quill-debug: %s\n", why.c_str());
        return 1;
    }
    return adapter_run();
}
