/*
 * services.h - the catalogue of the library's services, one line each:
 * what func n reads, what it returns, whether it is quiet, how it differs
 * on Windows. The library dispatches on it (outcall.cpp, and its
 * outcall_quiet export); quill-check explains and checks calls with it.
 * A new service is one line here and its handler in the library.
 */
#ifndef OUTCALL_SERVICES_H
#define OUTCALL_SERVICES_H

// What a service returns: a number, or a text in the pool (0: none).
enum ServiceReturns { RETURNS_NUMBER, RETURNS_TEXT };

// QUIET: it can neither show nor read anything (outcall.h says what a host
// may then do). OUTSIDE: it reads the console, starts or talks to other
// programs, waits or sounds; the fuzzing build leaves it out. PLAIN: neither.
constexpr unsigned SERVICE_PLAIN = 0, SERVICE_QUIET = 1, SERVICE_OUTSIDE = 2;

/* X(number, handler, flags, returns, reads, texts, name, summary, windows):
   handler is the library's function (int (const int var[])); reads the
   variables it reads; texts those of them that must hold a text (0 makes it
   do nothing); summary what it does and returns, windows how it differs
   there ("" where it does not). */
#define OUTCALL_SERVICES(X) \
    X(-2, oc_version, SERVICE_QUIET, RETURNS_NUMBER, "", "", "library version", \
      "prints the library's version; returns 0", "") \
    X(-1, oc_usage, SERVICE_QUIET, RETURNS_NUMBER, "", "", "list of services", \
      "prints the list of services; returns 0", "") \
    X(0, oc_dump_pool, SERVICE_PLAIN, RETURNS_NUMBER, "", "", "dump", \
      "dumps the variables and the whole pool on standard error; returns 0", "") \
    X(1, oc_gets_string, SERVICE_OUTSIDE, RETURNS_TEXT, "", "", "read a line", \
      "reads a line of standard input; returns it as a text, 0 at the end of input", \
      "Ctrl-Z ends standard input") \
    X(2, oc_gets_int, SERVICE_OUTSIDE, RETURNS_NUMBER, "", "", "read a number", \
      "reads a line of standard input; returns it as a number, 0 at the end of input " \
      "(and for a line without a number)", \
      "Ctrl-Z ends standard input") \
    X(3, oc_getenv, SERVICE_QUIET, RETURNS_TEXT, "e", "e", "environment", \
      "looks up the environment variable named by e; returns its value as a text, 0 if unset", "") \
    X(4, oc_strcmp, SERVICE_QUIET, RETURNS_NUMBER, "c p", "c p", "compare texts", \
      "compares texts c and p like strcmp; returns 0, a negative or a positive number", "") \
    X(5, oc_execute, SERVICE_OUTSIDE, RETURNS_NUMBER, "e a t", "e", "start a program", \
      "starts program e with the argument array a (ended by 0; a = 0: no arguments), waiting " \
      "for it when t is not 0; returns 0", \
      "_spawnvp: the current folder first, then PATH, with .com .exe .bat .cmd; a batch file " \
      "gets each argument in quotes and refuses \", % and line breaks") \
    X(6, oc_dump_array, SERVICE_PLAIN, RETURNS_NUMBER, "i s", "", "list an array", \
      "lists s elements of the array in variable number i (0 = a) on standard error; returns 0", \
      "") \
    X(7, oc_send_message, SERVICE_OUTSIDE, RETURNS_NUMBER, "w m", "w m", "send a message", \
      "sends text m to the receiver named w; returns 0", \
      "WM_COPYDATA to the window titled w (on Linux: a local socket named w)") \
    X(8, oc_sleep, SERVICE_OUTSIDE, RETURNS_NUMBER, "i", "", "pause", \
      "pauses i milliseconds; returns 0", "") \
    X(9, oc_atoi_text, SERVICE_QUIET, RETURNS_NUMBER, "a", "a", "text to number", \
      "converts text a to a number; returns it", "") \
    X(10, oc_itoa, SERVICE_QUIET, RETURNS_TEXT, "i f", "", "format a number", \
      "formats number i with the printf format f (0: %d); returns the text", "") \
    X(11, oc_strcat, SERVICE_QUIET, RETURNS_TEXT, "c p", "c p", "join texts", \
      "joins texts c and p; returns the new text", "") \
    X(12, oc_send_clipboard, SERVICE_OUTSIDE, RETURNS_NUMBER, "p", "p", "clipboard", \
      "puts text p on the desktop clipboard; returns 0", \
      "the Windows clipboard (on Linux: wl-copy, xclip or xsel)") \
    X(13, oc_read_dir, SERVICE_PLAIN, RETURNS_TEXT, "f", "f", "list a directory", \
      "lists the names matching pattern f, one per call, without their directory; returns a " \
      "name, 0 at the end", \
      "FindFirstFileA's wildcards and order") \
    X(14, oc_close_dir, SERVICE_PLAIN, RETURNS_NUMBER, "", "", "end the listing", \
      "ends a listing of function 13 early; returns 0", "") \
    X(15, oc_read_file, SERVICE_PLAIN, RETURNS_TEXT, "f", "f", "read a file", \
      "reads file f line by line, one line per call; returns a line, 0 at the end", "") \
    X(16, oc_close_file, SERVICE_PLAIN, RETURNS_NUMBER, "", "", "close the file", \
      "closes the file of function 15 early; returns 0", "") \
    X(17, oc_file_size, SERVICE_PLAIN, RETURNS_NUMBER, "f", "f", "file length", \
      "opens file f (if none is open) and returns its length in bytes: 0 also when it cannot " \
      "be opened", \
      "") \
    X(18, oc_beep, SERVICE_OUTSIDE, RETURNS_NUMBER, "", "", "beep", \
      "beeps for 100 ms; returns 0", "Beep(240, 100)")

// The catalogue as data, for readers without the library's handlers.
struct OutcallService {
    int number;
    unsigned flags;
    ServiceReturns returns;
    const char *reads;
    const char *texts;
    const char *name;
    const char *summary;
    const char *windows;
};
inline constexpr OutcallService OUTCALL_CATALOGUE[] = {
#define OUTCALL_ENTRY(number, handler, flags, returns, reads, texts, name, summary, windows) \
    {number, flags, returns, reads, texts, name, summary, windows},
    OUTCALL_SERVICES(OUTCALL_ENTRY)
#undef OUTCALL_ENTRY
};

#endif
