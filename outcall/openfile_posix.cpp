/*
 * openfile_posix.cpp - open with close-on-exec, and fstat for the length.
 */
#include "openfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

/* Directories are refused, as they are not files to read. Only a regular
   file has a length, and asking for one must not wait in the open of a
   FIFO that has no writer. */
std::FILE *oc_open_text(const char *path, bool for_length)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC | (for_length ? O_NONBLOCK : 0));
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || (for_length && !S_ISREG(st.st_mode))) {
        close(fd);
        return nullptr;
    }
    if (for_length)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);   // 15 reads it next
    std::FILE *fp = fdopen(fd, "r");
    if (!fp)
        close(fd);
    return fp;
}

int oc_file_length(std::FILE *fp)
{
    struct stat st;
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return st.st_size > INT_MAX ? INT_MAX : static_cast<int>(st.st_size);
}
