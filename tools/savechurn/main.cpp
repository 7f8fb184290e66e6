// Saves without end in the working directory, for the kill-during-save test: round n writes the
// parameter record with ng_max_num = n, camera 0's regions with one rectangle of param1 = n,
// and one operation record row "n", each in its own commit, and prints "<kind> <n>" after each
// commit returns. The test kills it at random points and restarts from what is on disk.
//
//   savechurn [FIRST]     FIRST: the first round's number (default 1)
//
// With --verdicts it plays OK verdicts of 8 cameras as the monitoring cycle writes them: each
// counts one more inspection per camera into count.txt, then one more OK per camera and for the
// stage into ResStatistics.db (slot 0, stage 0), both handed to the verdict writer; it prints
// "verdict <n>" after handing verdict n over, and keeps at most 8 verdicts waiting.
//
//   savechurn --verdicts
#include <cstdio>

#include <QCoreApplication>
#include <QSqlDatabase>

#include <QDir>
#include <QThread>

#include "core/parameterstore.h"
#include "statistics/resstatisticsparam.h"
#include "vision/records/counters.h"
#include "vision/records/verdictwriter.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/records/operationrecord.h"

namespace {

int Verdicts()
{
    VerdictWriter writer;
    writer.start();
    ResStatisticsHost host;
    host.statisticsDay = [] { return 0u; };
    host.pause = [](int) {};
    host.commit = [&](const QString& file, const QStringList& statements) { writer.Commit(file, statements); };
    host.drain = [&] { return writer.Flush(2000); };
    ResStatisticsParam store(host);
    if (!store.isLoaded()) {
        std::fprintf(stderr, "ResStatistics.db not loaded\n");
        return 1;
    }
    Counters::CountRead();
    const QString count = QDir::current().absoluteFilePath("count.txt");
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 1;; ++n) {
        for (int c = 0; c < MAX_CAMERA; ++c)
            ++gAllNum[c];
        writer.WriteFile(count, Counters::Format(gAllNum, gFailNum));
        store.beginWrites();
        store.addTotal(0, true, 0);
        for (int c = 0; c < MAX_CAMERA; ++c)
            store.add(0, true, 0, c);
        store.endWrites();
        std::printf("verdict %d\n", n);
        std::fflush(stdout);
        while (writer.pending() > 16)
            QThread::usleep(200);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QString(argv[1]) == "--verdicts")
        return Verdicts();
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
