#include "common/childalive.h"

#include <QFile>

bool ChildAlive(const QProcess& p)
{
    if (p.state() != QProcess::Running || p.processId() <= 0)
        return false;
    QFile f(QString("/proc/%1/stat").arg(p.processId()));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) S ...": the state follows the last ')'; an ended child not yet reaped is a zombie.
    const QByteArray stat = f.readAll();
    const int close = stat.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < stat.size() ? stat.at(close + 2) : 'X';
    return state != 'Z' && state != 'X';
}
