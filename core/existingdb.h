#pragma once
// SQLite opened on a file that must already be there: opening never makes it. A write that would
// make a file moved away (a day change) must fail, not leave an empty file of that name.
#include <QString>

class QSqlDatabase;

// Names `path` on `db` for read-write use, or read-only, without create; `options` are further
// connect options ("A=1;B=2").
void NameExistingDb(QSqlDatabase& db, const QString& path, bool readOnly = false, const QString& options = QString());
