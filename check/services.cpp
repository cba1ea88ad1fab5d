/*
 * services.cpp - the extension functions as a script meets them: what each
 * reads, which of those must hold a text (0 makes it do nothing), what it
 * returns, and how it differs on Windows.
 */
#include "check.h"

constexpr int TEXT_OR_0 = KIND_TEXT | KIND_ZERO, A_NUMBER = KIND_NUMBER | KIND_ZERO;

const Service check_services[] = {
    {-2, "library version", "", "", A_NUMBER, "prints the library's version; returns 0", ""},
    {-1, "list of services", "", "", A_NUMBER, "prints the list of services; returns 0", ""},
    {0, "dump", "", "", A_NUMBER,
     "dumps the variables and the whole pool on standard error; returns 0", ""},
    {1, "read a line", "", "", TEXT_OR_0,
     "reads a line of standard input; returns it as a text, 0 at the end of input",
     "Ctrl-Z ends standard input"},
    {2, "read a number", "", "", A_NUMBER,
     "reads a line of standard input; returns it as a number, 0 at the end of input "
     "(and for a line without a number)",
     "Ctrl-Z ends standard input"},
    {3, "environment", "e", "e", TEXT_OR_0,
     "looks up the environment variable named by e; returns its value as a text, 0 if unset", ""},
    {4, "compare texts", "c p", "c p", A_NUMBER,
     "compares texts c and p like strcmp; returns 0, a negative or a positive number", ""},
    {5, "start a program", "e a t", "e", A_NUMBER,
     "starts program e with the argument array a (ended by 0; a = 0: no arguments), waiting "
     "for it when t is not 0; returns 0",
     "_spawnvp: the current folder first, then PATH, with .com .exe .bat .cmd; a batch file "
     "gets each argument in quotes and refuses \", % and line breaks"},
    {6, "list an array", "i s", "", A_NUMBER,
     "lists s elements of the array in variable number i (0 = a) on standard error; returns 0",
     ""},
    {7, "send a message", "w m", "w m", A_NUMBER,
     "sends text m to the receiver named w; returns 0",
     "WM_COPYDATA to the window titled w (on Linux: a local socket named w)"},
    {8, "pause", "i", "", A_NUMBER, "pauses i milliseconds; returns 0", ""},
    {9, "text to number", "a", "a", A_NUMBER, "converts text a to a number; returns it", ""},
    {10, "format a number", "i f", "", TEXT_OR_0,
     "formats number i with the printf format f (0: %d); returns the text", ""},
    {11, "join texts", "c p", "c p", TEXT_OR_0, "joins texts c and p; returns the new text", ""},
    {12, "clipboard", "p", "p", A_NUMBER, "puts text p on the desktop clipboard; returns 0",
     "the Windows clipboard (on Linux: wl-copy, xclip or xsel)"},
    {13, "list a directory", "f", "f", TEXT_OR_0,
     "lists the names matching pattern f, one per call, without their directory; returns a "
     "name, 0 at the end",
     "FindFirstFileA's wildcards and order"},
    {14, "end the listing", "", "", A_NUMBER, "ends a listing of function 13 early; returns 0", ""},
    {15, "read a file", "f", "f", TEXT_OR_0,
     "reads file f line by line, one line per call; returns a line, 0 at the end", ""},
    {16, "close the file", "", "", A_NUMBER, "closes the file of function 15 early; returns 0", ""},
    {17, "file length", "f", "f", A_NUMBER,
     "opens file f (if none is open) and returns its length in bytes: 0 also when it cannot "
     "be opened",
     ""},
    {18, "beep", "", "", A_NUMBER, "beeps for 100 ms; returns 0", "Beep(240, 100)"},
};
const int check_service_count = sizeof check_services / sizeof check_services[0];

const Service *check_service(int number)
{
    for (const Service &s : check_services)
        if (s.number == number)
            return &s;
    return nullptr;
}
