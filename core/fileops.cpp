#include "core/fileops.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
FileOps gReal;
std::atomic<FileOps*> gOps{&gReal};
}  // namespace

int FileOps::rename(const char* from, const char* to)
{
    return ::rename(from, to);
}

int FileOps::fsync(int fd, const char*)
{
    return ::fsync(fd);
}

int FileOps::renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without the flag: a hard link is made only where no file is.
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno == EEXIST)
        return -1;
    struct stat st;
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return errno == ENOENT ? ::rename(from, to) : -1;
}

FileOps* FileOps::instance()
{
    return gOps.load();
}

FileOps* FileOps::setInstance(FileOps* ops)
{
    return gOps.exchange(ops ? ops : &gReal);
}
