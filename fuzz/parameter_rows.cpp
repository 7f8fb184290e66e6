// Rows of the parameter table as any program or damaged file may have left them: the record loads
// without fault, and what it saves loads back to the same record (the second save writes the very
// rows of the first).
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "core/defaultdatabases.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "fuzz/fuzzsupport.h"

namespace {

QStringList Dump(QSqlDatabase& db)
{
    QStringList rows;
    QSqlQuery q(db);
    q.exec("SELECT name, value FROM sysparam ORDER BY rowid");
    while (q.next())
        rows << q.value(0).toString() + '\t' + q.value(1).toString();
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QSqlDatabase db = QSqlDatabase::database(PARAM_DB_CONNECTION, false);
    QSqlQuery q(db);
    q.exec("DELETE FROM sysparam");
    q.prepare("INSERT INTO sysparam VALUES(?, ?)");
    // One row a line: name, a tab, the value.
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    for (const QByteArray& line : text.split('\n')) {
        const int tab = line.indexOf('\t');
        q.bindValue(0, QString::fromUtf8(tab < 0 ? line : line.left(tab)));
        q.bindValue(1, QString::fromUtf8(tab < 0 ? QByteArray() : line.mid(tab + 1)));
        q.exec();
    }
    q.finish();

    WizardPara first;
    first.LoadDatafromFile();
    if (!first.SaveDatatoFile())
        return 0;
    const QStringList saved = Dump(db);
    WizardPara again;
    again.LoadDatafromFile();
    if (!again.SaveDatatoFile() || Dump(db) != saved)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    if (!CreateDefaultDatabases("."))
        std::abort();
    for (const char* name : {PARAM_DB_CONNECTION, SERIAL_DB_CONNECTION}) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(name == PARAM_DB_CONNECTION ? "PARAM.db" : "SN.db");
        if (!db.open())
            std::abort();
        QSqlQuery(db).exec("PRAGMA synchronous=OFF");
        QSqlQuery(db).exec("PRAGMA journal_mode=MEMORY");
    }
    return 0;
}
