// Program entry: brings the system up in its fixed order, each step complete before the next.
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>
#include <sys/io.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QTextCodec>
#include <QtDebug>

#include "core/globals.h"
#include "core/ledonoff.h"
#include "core/logmanager.h"
#include "core/mapplication.h"
#include "core/orderlystop.h"
#include "core/startup.h"
#include "core/timerroundmanage.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "vision/controller/mainwindow.h"
#include "widgets/bsplashscreen.h"
#include "widgets/slicedstylesheet.h"

int main(int argc, char** argv)
{
    // Picture-sized temporaries of the camera and inspection threads go back to the system when
    // freed: with its default, glibc raises the threshold after the first such free and keeps them
    // in per-thread arenas (about 20 MB each with eight colour cameras).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // 1.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // 2.
    MApplication app(argc, argv);
    // The log file and crash capture from the first step on (the controller would make it later).
    if (!LogManager::__instance)
        LogManager::__instance = new LogManager;
    qInfo("start-up: application object");
    // SIGTERM, SIGINT and SIGHUP from here on end the program in order, as Exit does.
    auto* orderlyStop = new OrderlyStop;
    OrderlyStop::SetFlush(
        [](int boundMs, QStringList* leftOut) { return !gpWin || gpWin->FlushBeforeEnd(boundMs, leftOut); });
    // 3. Without the privilege (not root, no port access) the program runs on.
    const int io = iopl(3);
    qInfo("start-up: I/O privilege %s", io == 0 ? "raised" : "not raised");
    // 4.
    OpenLedDevice();
    qInfo("start-up: front panel device %s", gfLED >= 0 ? "open" : "missing");
    // 5.
    if (!TimerRoundManage::__instance)
        TimerRoundManage::__instance = new TimerRoundManage;
    TimerRoundManage::__instance->init();
    qInfo("start-up: copy timer");
    // 6.
    CreateGlobalMutexes();
    for (bool& f : isImageFill)
        f = false;
    qInfo("start-up: locks");
    // 7.
    Data_Init();
    qInfo("start-up: text table and pictures");
    // 8. Logged before: until the record is loaded its log switch is the constructor's (off).
    qInfo("start-up: parameter records");
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;
    // 9.
    gpNet = new CNT_Net(nullptr);
    // 10.
    gAppDirPath = QCoreApplication::applicationDirPath();
    orderlyStop->TakePending();
    // 11.
    gpWin = new MainWindow(nullptr);
    // The monitoring start-up runs no event loop but its boxes': a signal it held back ends here.
    orderlyStop->TakePending();
    // 12.
    qInfo("start-up: report server %s", gpNet->isopen ? "listening" : "off");
    if (StartReportClient(*gpWPara, gpNet))
        qInfo("start-up: report client started");
    // 13.
    auto* splash = new BSplashScreen(nullptr);
    splash->showFullScreen();
    qInfo("start-up: splash shown");
    // 14.
    // Events are handled as they come for that second; waiting for them instead of polling leaves
    // the cores to the cameras and the board starting meanwhile.
    {
        QEventLoop splashSecond;
        QTimer::singleShot(1000, &splashSecond, &QEventLoop::quit);
        splashSecond.exec(QEventLoop::AllEvents);
    }
    // 15.
    const bool font = InstallApplicationFont();
    qInfo("start-up: application font %s", font ? "installed" : "default");
    // 16.
    // Polishing every widget under the sheet takes a few hundred ms on a loaded machine (more on a
    // slow panel PC): done in slices, the monitoring pass runs between them, as it did under the
    // splash, instead of missing the board watch's deadline.
    ApplyStyleSheetInSlices(ApplicationStyleSheet(), 30, [] { QCoreApplication::processEvents(); });
    // 17.
    gpWin->showFullScreen();
    splash->finish(gpWin);
    qInfo("start-up: main screen shown");
    gpWin->MainScreenShown();
    // The camera, board and picture threads never end: no way out of the process may run static
    // destructors under them, an exit() of a library included.
    EndProcessOnExit();
    const int result = app.exec();
    delete splash;
    qInfo("event loop ended with %d", result);
    EndProcess(result);
}
