#include "vision/records/counters.h"

#include <cctype>

#include <QFile>
#include <QFileInfo>
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

QList<int> Counters::Parse(const QByteArray& text, int* all, int* fail)
{
    const QList<QByteArray> words = text.simplified().split(' ');
    // A file cut inside its last number still ends in digits: that number is not whole.
    const bool cut = !text.isEmpty() && !std::isspace(static_cast<unsigned char>(text.back()));
    const int whole = text.simplified().isEmpty() ? 0 : words.size() - (cut ? 1 : 0);
    QList<int> lost;
    for (int c = 0; c < MAX_CAMERA; ++c) {
        int pair[2] = {0, 0};
        bool ok = 2 * c + 1 < whole;
        for (int k = 0; ok && k < 2; ++k) {
            pair[k] = words[2 * c + k].toInt(&ok);
            ok = ok && pair[k] >= 0 && pair[k] <= kMaxCount;
        }
        if (!ok) {
            pair[0] = pair[1] = 0;
            lost << c;
        }
        all[c] = pair[0];
        fail[c] = pair[1];
    }
    return lost;
}

Counters::ReadResult Counters::CountRead(const QString& path)
{
    ReadResult r;
    QFile f(path);
    if (!f.exists()) {
        for (int i = 0; i < MAX_CAMERA; ++i)
            gAllNum[i] = gFailNum[i] = 0;
        return r;
    }
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) {
        r.damaged = true;
        for (int i = 0; i < MAX_CAMERA; ++i) {
            gAllNum[i] = gFailNum[i] = 0;
            r.lost << i;
        }
        return r;
    }
    r.lost = Parse(f.readAll(), gAllNum, gFailNum);
    r.damaged = !r.lost.isEmpty();
    return r;
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
