#include "vision/records/counters.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

int gAllNum[MAX_CAMERA] = {};
int gFailNum[MAX_CAMERA] = {};

QByteArray Counters::Format(const int* all, const int* fail)
{
    QByteArray out;
    for (int i = 0; i < MAX_CAMERA; ++i) {
        out += QByteArray::number(all[i]) + ' ';
        out += QByteArray::number(fail[i]) + ' ';
    }
    return out;
}

void Counters::Parse(const QByteArray& text, int* all, int* fail)
{
    const QList<QByteArray> words = text.simplified().split(' ');
    for (int k = 0; k < 2 * MAX_CAMERA; ++k) {
        int v = 0;
        if (k < words.size()) {
            bool ok = false;
            v = words[k].toInt(&ok);
            if (!ok || v < 0 || v > kMaxCount)
                v = 0;
        }
        (k % 2 ? fail : all)[k / 2] = v;
    }
}

void Counters::CountRead(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        for (int i = 0; i < MAX_CAMERA; ++i)
            gAllNum[i] = gFailNum[i] = 0;
        return;
    }
    Parse(f.readAll(), gAllNum, gFailNum);
}

bool Counters::CountWrite(const QString& path)
{
    return WriteBytes(path, Format(gAllNum, gFailNum));
}

bool Counters::WriteBytes(const QString& path, const QByteArray& data)
{
    // Temporary file, synced, then rename: a power cut leaves the old or the new counters.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        return false;
    }
    if (!f.commit())
        return false;
    // The rename is on the disk only once its directory is: a power cut could otherwise bring
    // back the old content.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
