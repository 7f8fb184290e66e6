#include "core/syspath.h"

#include <QByteArray>

QString sysPath(const QString& absolutePath)
{
    const QByteArray root = qgetenv("MOULDMON_SYSROOT");
    if (root.isEmpty())
        return absolutePath;
    QString r = QString::fromLocal8Bit(root);
    while (r.endsWith('/'))
        r.chop(1);
    if (absolutePath.startsWith('/'))
        return r + absolutePath;
    return r + '/' + absolutePath;
}

QString serialDevicePath(int port)
{
    const QByteArray over = qgetenv("MOULDMON_SERIAL");
    if (!over.isEmpty())
        return QString::fromLocal8Bit(over);
    return QString("/dev/ttyS%1").arg(port);
}
