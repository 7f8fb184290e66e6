#pragma once
// libfaketime, for starting the real program under a clock of the test's choosing.
#include <QFile>
#include <QString>
#include <QStringList>

// The library to preload, or empty with `whyNot` saying why it cannot be used in this build.
inline QString FakeTimeLibrary(QString* whyNot)
{
    const QString lib = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
    *whyNot = "libfaketime preloaded into a ThreadSanitizer program hangs it before its first line";
    return {};
#endif
#if __has_feature(address_sanitizer)
    *whyNot = "libfaketime preloaded into an AddressSanitizer program hangs it before its first line";
    return {};
#endif
#endif
    if (!QFile::exists(lib)) {
        *whyNot = "libfaketime missing (Debian package faketime)";
        return {};
    }
    return lib;
}

// The environment that starts a program's clock at `when` ("yyyy-MM-dd hh:mm:ss", local time).
inline QStringList FakeTimeEnv(const QString& lib, const QString& when)
{
    return {"LD_PRELOAD=" + lib, "FAKETIME=@" + when, "FAKETIME_DONT_FAKE_MONOTONIC=1"};
}
