#include "vision/controller/startuphold.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "vision/records/counters.h"

namespace StartupHold {

namespace {

const QByteArray kHeld = QByteArrayLiteral("held\n");
const QByteArray kFree = QByteArrayLiteral("free\n");

}  // namespace

QByteArray MouldText(bool held)
{
    return held ? kHeld : kFree;
}

bool MouldLeftHeld(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return false;
    QFile f(path);
    if (!fi.isFile() || !f.open(QIODevice::ReadOnly))
        return true;
    return f.read(64) != kFree;
}

bool MarkReplaced(const QString& aside, const QString& why, const QString& path)
{
    // One line each; a name with a line break cannot come from the aside naming.
    QByteArray text = "aside " + aside.toUtf8() + "\nwhy " + QString(why).replace('\n', ' ').toUtf8() + "\nend\n";
    return Counters::WriteBytes(path, text);
}

Replaced ReadReplaced(const QString& path)
{
    Replaced r;
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return r;
    r.marked = true;
    QFile f(path);
    if (!fi.isFile() || !f.open(QIODevice::ReadOnly))
        return r;
    const QList<QByteArray> lines = f.read(64 * 1024).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("aside "))
            r.aside = QString::fromUtf8(line.mid(6));
        else if (line.startsWith("why "))
            r.why = QString::fromUtf8(line.mid(4));
    }
    return r;
}

bool ForgetReplaced(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    if (fi.isDir())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

}  // namespace StartupHold
