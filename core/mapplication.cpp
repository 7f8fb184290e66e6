#include "core/mapplication.h"

#include <QThread>
#include <QTimer>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/ledonoff.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "widgets/warnbox.h"

TouchWatchContext ProgramTouchWatchContext()
{
    TouchWatchContext c;
    c.cameraId = [] { return gCameraID.load(); };
    c.windowExists = [] { return gpWin != nullptr && gpWPara != nullptr; };
    c.logoutTimer = [] { return gpWin ? gpWin->logoutTimer : nullptr; };
    c.backlightTimer = [] { return gpWin ? gpWin->lcdTimer : nullptr; };
    c.logoutSeconds = [] { return gpWPara ? gpWPara->auto_cancel_timelen : -1; };
    c.backlightSeconds = [] { return gpWPara ? gpWPara->location_level : -1; };
    c.screenOff = [] { return gpWin && gpWin->screenOff != 0; };
    c.screenOn = [] { LCDOnOff(1); };
    c.announceCalibration = [] {
        // Not deleted: the reboot after the release ends the process.
        auto* box = new WarnBox(gaLanStr[568 * LAN_COUNT + gLan], nullptr);
        box->setTitleRow(568);
        box->setText(gaLanStr[370 * LAN_COUNT + gLan]);
        box->show();
    };
    c.runCalibration = [] { runCommand("./tsc", {}, -1); };
    c.rebootAfterCalibration = [] {
        gisRunWTD = false;
        QThread::msleep(500);
        if (gpWin)
            gpWin->FLushAll();
        runCommand("reboot", {});
    };
    return c;
}

MApplication::MApplication(int& argc, char** argv)
    : QApplication(argc, argv), longPressTimer(new QTimer(this)), watch(longPressTimer, ProgramTouchWatchContext())
{
}

MApplication::~MApplication() = default;

bool MApplication::notify(QObject* receiver, QEvent* event)
{
    const QEvent::Type t = event->type();
    if ((t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease) && watch.Filter(t))
        return true;
    return QApplication::notify(receiver, event);
}
