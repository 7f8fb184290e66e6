#pragma once
// The running inspection counters per camera and their file count.txt: for cameras 0 to 7 the
// total then the NG count, each a decimal number followed by one blank, no line end.
#include <QByteArray>
#include <QString>

#include "core/globals.h"

extern int gAllNum[MAX_CAMERA];   // inspections per camera
extern int gFailNum[MAX_CAMERA];  // NG inspections per camera

class Counters {
public:
    static constexpr int kMaxCount = 100000000;

    // Loads gAllNum and gFailNum; a missing file, a missing or unreadable number and a value
    // outside 0..kMaxCount read as 0.
    static void CountRead(const QString& path = QStringLiteral("count.txt"));
    // Stores gAllNum and gFailNum; the old content stays whole until the new one is complete.
    // False when nothing was written.
    static bool CountWrite(const QString& path = QStringLiteral("count.txt"));

    // Replaces `path` by `data` the same way (any thread).
    static bool WriteBytes(const QString& path, const QByteArray& data);

    static QByteArray Format(const int* all, const int* fail);
    static void Parse(const QByteArray& text, int* all, int* fail);
};
