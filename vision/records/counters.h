#pragma once
// The running inspection counters per camera and their file count.txt: for cameras 0 to 7 the
// total then the NG count, each a decimal number followed by one blank, no line end.
#include <QByteArray>
#include <QList>
#include <QString>

#include "core/globals.h"

extern int gAllNum[MAX_CAMERA];   // inspections per camera
extern int gFailNum[MAX_CAMERA];  // NG inspections per camera

class Counters {
public:
    static constexpr int kMaxCount = 100000000;

    struct ReadResult {
        bool damaged = false;  // the file is there but not whole: a folder, unreadable or cut
        QList<int> lost;       // cameras (from 0) whose counts could not be read and start at 0
    };
    // Loads gAllNum and gFailNum. A missing file reads as all 0 and is no damage. A camera's pair
    // is taken whole or not at all: a missing, unreadable or out-of-range number, or the last
    // number of a file cut inside it (no blank after it), leaves both of that camera at 0.
    static ReadResult CountRead(const QString& path = QStringLiteral("count.txt"));
    // Stores gAllNum and gFailNum; the old content stays whole until the new one is complete.
    // False when nothing was written.
    static bool CountWrite(const QString& path = QStringLiteral("count.txt"));

    // Replaces `path` by `data` the same way (any thread).
    static bool WriteBytes(const QString& path, const QByteArray& data);

    static QByteArray Format(const int* all, const int* fail);
    // As CountRead; the cameras whose pair could not be read.
    static QList<int> Parse(const QByteArray& text, int* all, int* fail);
};
