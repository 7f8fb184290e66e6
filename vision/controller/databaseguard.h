#pragma once
// SQLite opens a garbage file without complaint and creates a missing one empty, so "could not
// open" is decided here: the file exists, passes quick_check and holds the table we expect.
// The check opens the file for writing: a kill or power cut during a commit leaves a hot rollback
// journal, and only a writable open rolls it back (the last committed state is kept). A file that
// another program holds locked is busy, never damaged.
#include <QString>

namespace DatabaseGuard {

enum class Health { Sound, Busy, Damaged };

// How long a locked file is waited for before it counts as busy.
constexpr int kBusyWaitMs = 5000;

// Sound, Busy (still locked after `busyWaitMs`) or Damaged; `why` says what is wrong.
Health check(const QString& file, const QString& table, QString* why = nullptr, int busyWaitMs = kBusyWaitMs);

// True when `file` is a sound SQLite database holding `table`; otherwise `why` says what is wrong.
bool isSound(const QString& file, const QString& table, QString* why = nullptr);

// Moves a damaged `file` aside as "<file>.damaged-yyyyMMdd-HHmmss" (never overwriting), its
// journal files with it under the same name, and copies `defaultFile` in its place. Fails,
// leaving what was there, when the default is missing.
bool replaceWithDefault(const QString& file, const QString& defaultFile, QString* asideName = nullptr);

}  // namespace DatabaseGuard
