#include "core/existingdb.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QUrl>

void NameExistingDb(QSqlDatabase& db, const QString& path, bool readOnly, const QString& options)
{
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(readOnly ? QStringLiteral("mode=ro") : QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI") + (options.isEmpty() ? QString() : ";" + options));
}
