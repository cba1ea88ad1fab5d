/*
 * openfile_win32.cpp - the runtime's text mode (CR LF in as LF, Ctrl-Z as
 * the end) and _filelengthi64, which unlike _filelength still answers
 * beyond 2 GiB.
 */
#include "openfile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <climits>

std::FILE *oc_open_text(const char *path, bool for_length)
{
    int fd = _open(path, _O_RDONLY | _O_TEXT | _O_NOINHERIT);
    if (fd < 0)
        return nullptr;
    struct _stati64 st;
    if (_fstati64(fd, &st) != 0 || (st.st_mode & _S_IFMT) == _S_IFDIR ||
        (for_length && (st.st_mode & _S_IFMT) != _S_IFREG)) {
        _close(fd);
        return nullptr;
    }
    std::FILE *fp = _fdopen(fd, "rt");
    if (!fp)
        _close(fd);
    return fp;
}

int oc_file_length(std::FILE *fp)
{
    struct _stati64 st;
    int fd = _fileno(fp);
    if (_fstati64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)
        return 0;
    long long n = _filelengthi64(fd);
    if (n < 0)
        return 0;
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}
