/*
 * files.cpp - the directory search (13, 14) and the line reader with its
 * file length (15, 16, 17): when a search or a file opens and closes. The
 * platform opens, searches and measures (dirsearch.h, openfile.h).
 */
#include "outcall_int.h"

#include "dirsearch.h"
#include "openfile.h"

#include <cstring>

static bool searching;             // a directory search is open
static std::FILE *fp_sl;           // the line reader's file, shared by 15, 16 and 17

int oc_read_dir(const int var[])
{
    if (!assign_str)
        return 0;
    const char *name;
    if (!searching) {
        const char *pattern = oc_text(var[VAR_F]);
        if (!pattern || !oc_dir_first(pattern, &name))
            return 0;
        searching = true;
    } else if (!oc_dir_next(&name)) {
        searching = false;   // the search closed itself
        return 0;
    }
    return oc_return_text(name);
}

int oc_close_dir(const int[])
{
    if (searching)
        oc_dir_close();
    searching = false;
    return 0;
}

static void close_file(void)
{
    std::fclose(fp_sl);
    fp_sl = nullptr;
}

int oc_read_file(const int var[])
{
    if (!assign_str)
        return 0;
    if (!fp_sl) {
        const char *f = oc_text(var[VAR_F]);
        if (!f || !(fp_sl = oc_open_text(f, false)))
            return 0;
    }
    if (!oc_read_line(fp_sl, true)) {
        close_file();
        return 0;
    }
    return oc_return_text(buf);
}

int oc_close_file(const int[])
{
    if (fp_sl)
        close_file();
    return 0;
}

int oc_file_size(const int var[])
{
    if (!fp_sl) {
        const char *f = oc_text(var[VAR_F]);
        if (!f || !(fp_sl = oc_open_text(f, true)))
            return 0;
    }
    return oc_file_length(fp_sl);
}

#ifdef OUTCALL_SAFE
// Lets a fuzz harness start every input from the state the library loads with.
extern "C" void outcall_reset_state(void)
{
    oc_close_dir(nullptr);
    oc_close_file(nullptr);
    std::memset(buf, 0, sizeof buf);
}
#endif
