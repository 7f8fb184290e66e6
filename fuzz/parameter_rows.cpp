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
    fuzz::PutRows(PARAM_DB_CONNECTION, "sysparam", data, size);
    QSqlDatabase db = QSqlDatabase::database(PARAM_DB_CONNECTION, false);

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
    fuzz::OpenDatabase(PARAM_DB_CONNECTION, "PARAM.db");
    fuzz::OpenDatabase(SERIAL_DB_CONNECTION, "SN.db");
    return 0;
}
