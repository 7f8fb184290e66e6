#include "core/fileops.h"

#include <atomic>
#include <cstdio>
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

FileOps* FileOps::instance()
{
    return gOps.load();
}

FileOps* FileOps::setInstance(FileOps* ops)
{
    return gOps.exchange(ops ? ops : &gReal);
}
