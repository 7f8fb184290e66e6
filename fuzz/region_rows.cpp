// Rows of a camera's region table as any program or damaged file may have left them: the model
// loads without fault, and what it saves loads back to the same model.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "core/defaultdatabases.h"
#include "core/parameterstore.h"
#include "fuzz/fuzzsupport.h"
#include "vision/inspection/cammersingleton.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QSqlDatabase db = QSqlDatabase::database(PARAM_DB_CONNECTION, false);
    QSqlQuery q(db);
    q.exec("DELETE FROM cammer0");
    q.prepare("INSERT INTO cammer0 VALUES(?, ?)");
    // One row a line: name, a tab, the value.
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    for (const QByteArray& line : text.split('\n')) {
        const int tab = line.indexOf('\t');
        q.bindValue(0, QString::fromUtf8(tab < 0 ? line : line.left(tab)));
        q.bindValue(1, QString::fromUtf8(tab < 0 ? QByteArray() : line.mid(tab + 1)));
        q.exec();
    }
    q.finish();

    static CammerSingleton first(0), again(0);
    first = CammerSingleton(0);
    again = CammerSingleton(0);
    if (!first.LoadWithMasks(nullptr) || !first.SaveDatatoFile())
        return 0;
    if (!again.LoadWithMasks(nullptr) || !(again == first))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    // The program's geometry: a 640 x 480 camera on the 1725 x 982 view.
    gImageW = 640;
    gImageH = 480;
    gShowW = 1725;
    gShowH = 982;
    gShowAW = float(gShowW) / gImageW;
    gShowAH = float(gShowH) / gImageH;
    if (!CreateDefaultDatabases("."))
        std::abort();
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
    db.setDatabaseName("PARAM.db");
    if (!db.open())
        std::abort();
    QSqlQuery(db).exec("PRAGMA synchronous=OFF");
    QSqlQuery(db).exec("PRAGMA journal_mode=MEMORY");
    return 0;
}
