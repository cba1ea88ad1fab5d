/*
 * process.cpp - services that reach other programs: starting one (5), a
 * message to one (7) and the clipboard (12). How each is done is the
 * platform's (start.h, message.h); here are the arguments.
 */
#include "outcall_int.h"

#include "message.h"
#include "start.h"

#include <cstdio>
#include <cstring>
#include <vector>

/* The argument vector at value: pool text addresses ended by a 0 element.
   False when the array or any of its texts does not lie in the pool. */
static bool collect_args(int value, std::vector<char *> *args)
{
    for (std::size_t n = 1;; n++) {
        const int *elems = oc_array(value, n);
        if (!elems)
            return false;
        int elem;
        std::memcpy(&elem, elems + (n - 1), sizeof elem);  // arrays need not be aligned
        if (elem == 0)
            break;
        const char *text = oc_text(elem);
        if (!text)
            return false;
        args->push_back(const_cast<char *>(text));
    }
    args->push_back(nullptr);
    return true;
}

int oc_execute(const int var[])
{
    const char *program = oc_text(var[VAR_E]);
    if (!program)
        return 0;
    std::vector<char *> args;
    if (var[VAR_A] == 0) {
        args.push_back(const_cast<char *>(program));
        args.push_back(nullptr);
    } else if (!collect_args(var[VAR_A], &args) || args.size() < 2) {
        return 0;  // an empty vector has no program name: nothing starts
    }
    // what the script printed comes before anything the program prints
    std::fflush(stdout);
    oc_start(program, args.data(), var[VAR_T] != 0);
    return 0;
}

int oc_send_message(const int var[])
{
    const char *w = oc_text(var[VAR_W]);
    const char *m = oc_text(var[VAR_M]);
    if (w && m)
        oc_deliver(w, m);
    return 0;
}

int oc_send_clipboard(const int var[])
{
    const char *p = oc_text(var[VAR_P]);
    if (p)
        oc_clipboard(p);
    return 0;
}
