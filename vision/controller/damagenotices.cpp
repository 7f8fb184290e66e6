#include "vision/controller/damagenotices.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {
QMutex gLock;
QStringList gNotices;
}  // namespace

namespace DamageNotices {

void Add(const QString& text)
{
    QMutexLocker lock(&gLock);
    gNotices << text;
}

QStringList Take()
{
    QMutexLocker lock(&gLock);
    QStringList out;
    out.swap(gNotices);
    return out;
}

QString SetAside(const QString& file, bool copy)
{
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString aside = file + ".damaged-" + stamp;
    for (int n = 1; QFileInfo::exists(aside); ++n)
        aside = file + ".damaged-" + stamp + "-" + QString::number(n);
    const bool done = copy ? QFile::copy(file, aside) : QDir().rename(file, aside);
    return done ? aside : QString();
}

QString ReplacedMarker(const QString& file)
{
    return file + ".replaced";
}

}  // namespace DamageNotices
