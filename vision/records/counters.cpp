#include "vision/records/counters.h"

#include <QFile>
#include <QList>

#include "core/wholefile.h"

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
    // A power cut or a full disk leaves the old or the new counters.
    return WriteWholeFile(path, data);
}
