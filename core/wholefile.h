#pragma once
// Replacing a file so that it is either the old one or the new one, never a part of the new one:
// the bytes go into a temporary file beside it, which is flushed, synced, checked against what
// was handed over and only then renamed over the file (the directory synced after).
#include <QByteArray>
#include <QString>

// True when `path` now holds exactly `data`; false leaves `path` as it was, errno telling why
// (any thread).
bool WriteWholeFile(const QString& path, const QByteArray& data);
// Syncs the directory `dir`, so that a file renamed into it is still there after a power cut;
// false with the reason in `why` when it could not be opened or synced.
bool SyncDirectory(const QString& dir, QString* why = nullptr);
