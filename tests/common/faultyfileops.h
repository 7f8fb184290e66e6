#pragma once
// File operations that fail or wait where a test says, installed while the object lives: renames
// whose source ends with `failFrom` fail with EIO, renames into a given folder from outside it
// fail as across file systems; syncs of paths under a held folder wait until it is let go. Safe
// to call from the writer threads.
#include <QByteArray>
#include <QString>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>

#include "core/fileops.h"

class FaultyFileOps : public FileOps {
public:
    FaultyFileOps() { was_ = FileOps::setInstance(this); }
    ~FaultyFileOps() override
    {
        Release();
        FileOps::setInstance(was_);
    }

    void FailRenamesFrom(const QString& suffix)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failFrom_ = suffix.toLocal8Bit();
    }
    // Renames into a path under `dir` from outside it fail with EXDEV, as into another file system.
    void CrossDeviceInto(const QString& dir)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        crossInto_ = dir.toLocal8Bit();
    }
    void HoldSyncsUnder(const QString& dir)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        holdUnder_ = dir.toLocal8Bit();
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            holdUnder_.clear();
        }
        wake_.notify_all();
    }
    int failedRenames() const { return failed_; }
    int heldSyncs() const { return held_; }

    int rename(const char* from, const char* to) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failFrom_.isEmpty() && QByteArray(from).endsWith(failFrom_)) {
                ++failed_;
                errno = EIO;
                return -1;
            }
            if (!crossInto_.isEmpty() && QByteArray(to).startsWith(crossInto_) && !QByteArray(from).startsWith(crossInto_)) {
                errno = EXDEV;
                return -1;
            }
        }
        return FileOps::rename(from, to);
    }
    int renameNoReplace(const char* from, const char* to) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failFrom_.isEmpty() && QByteArray(from).endsWith(failFrom_)) {
                ++failed_;
                errno = EIO;
                return -1;
            }
        }
        return FileOps::renameNoReplace(from, to);
    }
    int fsync(int fd, const char* path) override
    {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!holdUnder_.isEmpty() && QByteArray(path).startsWith(holdUnder_)) {
                ++held_;
                wake_.wait(lock, [this] { return holdUnder_.isEmpty(); });
            }
        }
        return FileOps::fsync(fd, path);
    }

private:
    FileOps* was_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    QByteArray failFrom_, holdUnder_, crossInto_;
    std::atomic<int> failed_{0}, held_{0};
};
