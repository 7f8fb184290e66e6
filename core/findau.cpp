#include "core/findau.h"

#include <QFile>
#include <QStringList>

#include "core/commandrunner.h"
#include "core/syspath.h"

namespace {
constexpr int kWaitMs = 1000;

bool readMounts(QString* text)
{
    QFile f(sysPath("/proc/mounts"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *text = QString::fromLocal8Bit(f.readAll());
    return true;
}

QString beforeColon(const QString& line)
{
    return line.section(':', 0, 0);
}
}  // namespace

QString FindAU()
{
    const CommandResult blkid = runCommand("blkid", {}, kWaitMs);
    QByteArray raw = blkid.out + blkid.err;
    const int nul = raw.indexOf('\0');
    if (nul >= 0)
        raw.truncate(nul);
    const QString out = QString::fromLocal8Bit(raw);
    if (out.isEmpty())
        return QString();

    QString systemDisk;
    QStringList candidates;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        if (line.contains("TYPE=\"ext4\"")) {
            QString disk = beforeColon(line);
            while (!disk.isEmpty() && disk.back().isDigit())
                disk.chop(1);
            if (!disk.isEmpty())
                systemDisk = disk;
        } else if (line.contains("TYPE=\"vfat\"") || line.contains("TYPE=\"ntfs\"") ||
                   line.contains("TYPE=\"exfat\"")) {
            const QString dev = beforeColon(line);
            // Only a disk other than the system disk, and only once the system disk is known.
            if (!systemDisk.isEmpty() && !dev.contains(systemDisk))
                candidates << dev;
        }
    }
    if (candidates.isEmpty())
        return QString();
    const QString stick = candidates.first();

    QString mounts;
    if (!readMounts(&mounts))
        return QString();
    const int stale = mounts.split('\n').filter("/mnt").size();
    for (int i = 0; i < stale; ++i)
        runCommand("umount", {"/mnt"}, kWaitMs);
    runCommand("mount", {stick, "/mnt"}, kWaitMs);

    if (!readMounts(&mounts))
        return QString();
    return mounts.contains(stick + " /mnt") ? QStringLiteral("/mnt") : QString();
}

bool FindU()
{
    QString mounts;
    return readMounts(&mounts) && mounts.contains("/mnt");
}

bool FindU_ByManual()
{
    runCommand("umount", {"/mnt"});
    if (runCommand("mount", {"/dev/sdb1", "/mnt"}).ok())
        return true;
    return runCommand("mount", {"/dev/sdc1", "/mnt"}).ok();
}
