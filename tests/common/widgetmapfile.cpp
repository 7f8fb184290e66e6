#include "common/widgetmapfile.h"

#include <csignal>

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QThread>

QList<Shown> ReadWidgetMap(qint64 pid, const QString& path, int* lastSeq, const std::function<void()>& idle)
{
    if (::kill(pid_t(pid), SIGUSR1) != 0)
        return {};
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
            const int seq = lines.value(0).section(' ', 1).toInt();
            if (seq > *lastSeq) {
                *lastSeq = seq;
                QList<Shown> out;
                for (const QString& l : lines.mid(1)) {
                    const QStringList c = l.split('\t');
                    if (c.size() == 7)
                        out << Shown{c[0], c[1], QString(c[2]).replace('\r', ' ').replace('\n', ' '),
                                     QRect(c[3].toInt(), c[4].toInt(), c[5].toInt(), c[6].toInt())};
                }
                return out;
            }
        }
        if (idle)
            idle();
        QThread::msleep(20);
    }
    return {};
}
