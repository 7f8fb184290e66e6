// The production statistics the controller feeds: the statistics day (08:00 to 07:59), the store
// and its screen, the day change, and the counts of each final verdict.
#include "vision/controller/mainwindow.h"
#include "vision/controller/damagenotices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>

#include "statistics/resstatisticsparam.h"
#include "statistics/statisticsday.h"
#include "statistics/statisticswidget.h"
#include "vision/board/controlport.h"
#include "vision/camera/cammerwidget.h"
#include "vision/records/verdictwriter.h"
#include "widgets/showbox.h"

using StatisticsDay::DateOf;

void MainWindow::StatisticsInit()
{
    statisticsDay = StatisticsDay::At(WallNow().toSecsSinceEpoch());
    ResStatisticsHost host;
    host.statisticsDay = [this] { return statisticsDay; };
    host.archiveDir = statisticsDir.path();
    host.warn = [](const QString& text) { showWarnBox(text); };
    host.notice = [](const QString& text) { DamageNotices::Add(text); };
    host.showsToday = [this] {
        auto* screen = qobject_cast<StatisticsWidget*>(statisticsWidget);
        return screen && screen->isToday();
    };
    host.updateScreen = [this] {
        if (auto* screen = qobject_cast<StatisticsWidget*>(statisticsWidget))
            screen->updateData();
    };
    if (!verdictWriter) {
        verdictWriter = new VerdictWriter(this);
        verdictWriter->start();
    }
    // The store may outlive this window (tests): a commit after it is gone is written here.
    QPointer<VerdictWriter> writer = verdictWriter;
    host.commit = [writer](const QString& file, const QStringList& statements) {
        if (writer)
            writer->Commit(file, statements);
        else
            VerdictWriter::CommitNow(file, statements);
    };
    host.drain = [writer] { return !writer || writer->Flush(2000); };
    // Hands work to a thread and brings its outcome back to this one.
    auto handed = [](std::function<void(std::function<void()>)> hand) {
        return [hand](std::function<bool()> work, std::function<void(bool)> done) {
            hand([work, done] {
                const bool ok = work();
                QMetaObject::invokeMethod(QCoreApplication::instance(), [done, ok] { done(ok); }, Qt::QueuedConnection);
            });
        };
    };
    // The day change's file work runs on the writer, behind the counts handed to it: the pass and
    // the stage delays go on meanwhile.
    host.roll = handed([writer](std::function<void()> task) {
        if (writer)
            writer->Run(task);
        else
            task();
    });
    // The archive copy (another file system, its syncs, the pause after it) runs beside the
    // writer: the counts of the new day go on reaching their file meanwhile.
    host.archive = handed([writer](std::function<void()> task) {
        if (writer)
            writer->RunBeside(task);
        else
            task();
    });
    delete gpResStatisticsParam;  // a window made before this one (tests) leaves its store
    gpResStatisticsParam = new ResStatisticsParam(host);
    // A day that closed while the program was stopped is held until the day check below files
    // it under its own date; its counts never become today's.
    const QDate held = QDate::fromString(gpResStatisticsParam->getCurDate(), QStringLiteral("yyyy-MM-dd"));
    if (gpResStatisticsParam->isLoaded() && held.isValid() && held != DateOf(statisticsDay)) {
        qInfo("statistics: ResStatistics.db holds the statistics day %s; it is archived before %s starts",
              qPrintable(gpResStatisticsParam->getCurDate()), qPrintable(DateOf(statisticsDay).toString("yyyy-MM-dd")));
        statisticsDay = StatisticsDay::Of(held);
    }

    StatisticsScreenHost screenHost;
    screenHost.archiveDir = statisticsDir.path();
    screenHost.cycleTime = [this] { return cycleTime; };
    screenHost.temperatures = [](float* degrees) { PublishedTemperatures(0, degrees, 8); };
    auto* screen = new StatisticsWidget(this, screenHost);
    screen->hide();
    statisticsWidget = screen;
    StatisticsDayCheck();
}

void MainWindow::StatisticsDayCheck()
{
    const quint32 now = StatisticsDay::At(WallNow().toSecsSinceEpoch());
    const QDate day = DateOf(now);
    if (day == DateOf(statisticsDay)) {
        // A move that failed is tried again at each check; today's counts wait apart meanwhile.
        if (gpResStatisticsParam)
            gpResStatisticsParam->tryMoveAgain();
        return;
    }
    // The store names the archive after the day still held here, then counts the new one.
    if (gpResStatisticsParam)
        gpResStatisticsParam->nextDay(day.toString(QStringLiteral("yyyy-MM-dd")));
    statisticsDay = now;
}

void MainWindow::CountStatistics(bool ng)
{
    ResStatisticsParam* store = gpResStatisticsParam;
    if (!store || curDetect < 0 || curDetect >= MAX_DETECT)
        return;
    // The count goes into the statistics day it is made in: the day is changed first when the
    // day timer has not done it yet.
    const QDateTime now = WallNow();
    StatisticsDayCheck();
    const int slot = (now.time().hour() + 16) % 24;
    store->beginWrites();
    store->addTotal(slot, !ng, curDetect);
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (Inspected(v))
            store->add(slot, cammerWidget[v]->isOK, curDetect, v);
    store->endWrites();
}
