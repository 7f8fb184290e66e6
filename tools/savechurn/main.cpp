// Saves without end in the working directory, for the kill-during-save test: round n writes the
// parameter record with ng_max_num = n, camera 0's regions with one rectangle of param1 = n,
// and one operation record row "n", each in its own commit, and prints "<kind> <n>" after each
// commit returns. The test kills it at random points and restarts from what is on disk.
//
//   savechurn [FIRST]     FIRST: the first round's number (default 1)
#include <cstdio>

#include <QCoreApplication>
#include <QSqlDatabase>

#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/records/operationrecord.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int first = argc > 1 ? QString(argv[1]).toInt() : 1;
    QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
    in.setDatabaseName("PARAM.db");
    if (!in.open()) {
        std::fprintf(stderr, "PARAM.db does not open\n");
        return 1;
    }
    QSqlDatabase sn = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
    sn.setDatabaseName("SN.db");
    sn.open();
    WizardPara para;
    para.LoadDatafromFile();
    CammerSingleton regions(0);
    regions.LoadWithMasks(nullptr);
    OperationRecord record;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = first;; ++n) {
        para.ng_max_num = n;
        if (para.SaveDatatoFile())
            std::printf("param %d\n", n);
        regions.roiNum[0] = 1;
        regions.shapeType[0][0] = 1;
        regions.param1[0][0] = n;
        regions.rects[0][0].rect = QRect(10, 10, 50, 50);
        if (regions.SaveDatatoFile())
            std::printf("region %d\n", n);
        if (record.InsertRecord(QString::number(n), 0))
            std::printf("record %d\n", n);
        std::fflush(stdout);
    }
}
