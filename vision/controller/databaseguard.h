#pragma once
// SQLite opens a garbage file without complaint and creates a missing one empty, so "could not
// open" is decided here: the file exists, passes quick_check and holds the table we expect.
#include <QString>

namespace DatabaseGuard {

// True when `file` is a sound SQLite database holding `table`; otherwise `why` says what is wrong.
bool isSound(const QString& file, const QString& table, QString* why = nullptr);

// Moves a damaged `file` aside as "<file>.damaged-yyyyMMdd-HHmmss" (never overwriting) and copies
// `defaultFile` in its place. Fails, leaving what was there, when the default is missing.
bool replaceWithDefault(const QString& file, const QString& defaultFile, QString* asideName = nullptr);

}  // namespace DatabaseGuard
