#include "core/wholefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <atomic>

namespace {

bool WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;  // a full disk or a file-size limit ends here, as does any error
        data += n;
        size -= n;
    }
    return true;
}

// The temporary file holds exactly `data`: what the disk returns, not what write() promised.
bool ReadsBack(int fd, const QByteArray& data)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size != data.size())
        return false;
    QByteArray back(data.size(), '\0');
    qint64 got = 0;
    while (got < data.size()) {
        const ssize_t n = ::pread(fd, back.data() + got, size_t(data.size() - got), off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    return back == data;
}

}  // namespace

bool SyncDirectory(const QString& dir, QString* why)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (!ok && why)
        *why = QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
    return ok;
}

bool WriteWholeFile(const QString& path, const QByteArray& data)
{
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    static std::atomic<unsigned> serial{0};
    const QByteArray temp = target + ".new-" + QByteArray::number(qint64(::getpid())) + '-' +
                            QByteArray::number(serial.fetch_add(1));
    // A new file gets the usual permissions (the umask applies), a replaced one keeps its own.
    const int fd = ::open(temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat old {};
    if (::stat(target.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, data.constData(), data.size()) && ::fsync(fd) == 0 && ReadsBack(fd, data);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.constData(), target.constData()) != 0)
        ok = false;
    if (!ok) {
        // The caller tells a lasting failure (a folder in the file's place) by errno.
        const int err = errno;
        ::unlink(temp.constData());
        errno = err;
        return false;
    }
    SyncDirectory(info.absolutePath());
    return true;
}
