// The controller's side of the fail-safe watches: faults found on other threads (a failed picture
// write, a silent board, a blind monitoring pass) reach the operator here, on the GUI thread, as a
// non-modal warning and an operation record row.
#include "vision/controller/mainwindow.h"

#include <QDateTime>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>

#include "core/uitexttable.h"
#include "vision/board/controlport.h"
#include "vision/board/iothread.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/passhold.h"
#include "vision/controller/widgetmap.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int row)
{
    return gaLanStr[row * LAN_COUNT + gLan];
}

constexpr int kRowBoardSilent = 610;
constexpr int kRowPictureNotSaved = 612;
constexpr int kRowBlindPass = 613;
constexpr int kInhibitOut = 0;
constexpr int kAlarmOut = 2;

BoardWatch* Watch()
{
    IOThread* t = gpControlIO ? gpControlIO->thread() : nullptr;
    return t ? &t->watch : nullptr;
}

}  // namespace

void MainWindow::InitFailSafe()
{
    PassHold::Install();
    WidgetMap::Install();
    if (pictureWriter) {
        pictureWriter->hooks.failed = [this](const QString& what, const QString& why) {
            // Writer thread: the record and the warning belong to the GUI thread.
            QMetaObject::invokeMethod(this, [this, what, why] {
                const QString text = Row(kRowPictureNotSaved).arg(what + " (" + why + ")");
                InsertRecord(text);
                ShowFault(text);
            }, Qt::QueuedConnection);
        };
    }
}

void MainWindow::MainScreenShown()
{
    QTimer::singleShot(10000, this, [this] {
        qInfo("start-up: longest monitoring pass gap %lld ms, ended %s, up to 10 s after main screen shown",
              static_cast<long long>(startupGapMs),
              startupGapEndMs ? qPrintable(QDateTime::fromMSecsSinceEpoch(startupGapEndMs).toString("hh:mm:ss.zzz"))
                              : "-");
        startupGapOpen = false;
    });
}

void MainWindow::ShowFault(const QString& text)
{
    // Non-modal: the cycle keeps running while the warning is up.
    if (!faultBox) {
        faultBox = new WarnBox(Row(568), this);
        faultBox->setTitleRow(568);
        faultBox->setWindowFlags(faultBox->windowFlags() | Qt::Window);
    }
    faultBox->setText(text);
    // A plain warning: its confirm closes it and confirms nothing. A question it covers is asked
    // again then, unless the silent board's warning still stands for it (the board's return asks).
    QObject::disconnect(faultConfirm);
    faultConfirm = connect(faultBox->confirmButton(), &QPushButton::clicked, this, [this] {
        if (ConfirmationOwed() && !boardSilent && !owedQuestion.isEmpty())
            ShowConfirmable(owedQuestion);
    });
    faultBox->showReachable();
    qWarning("warning shown: %s", qPrintable(text));
}

void MainWindow::ClearFault(const QString& text)
{
    if (faultBox && faultBox->isVisible() && faultBox->text() == text)
        faultBox->hide();
}

bool MainWindow::FailSafePass()
{
    PassHold::MaybeHold();
    if (startupGapOpen) {
        const qint64 now = cycleClockMs();
        if (startupPassAtMs >= 0 && now - startupPassAtMs > startupGapMs) {
            startupGapMs = now - startupPassAtMs;
            startupGapEndMs = QDateTime::currentMSecsSinceEpoch();
        }
        startupPassAtMs = now;
    }
    BoardWatch* watch = Watch();
    if (!watch)
        return false;
    // A lost camera slows the pass to its retries and holds the inhibit itself.
    watch->Beat(runState == 1 && !gisLost, gpControlIO->WordWithActive(kInhibitOut, kAlarmOut));
    if (const qint64 ms = watch->TakeBlindMs())
        InsertRecord(Row(kRowBlindPass).arg(ms));
    const bool silent = watch->Silent();
    if (silent != boardSilent) {
        boardSilent = silent;
        if (silent) {
            InsertRecord(Row(kRowBoardSilent));
            ShowFault(Row(kRowBoardSilent));
        } else {
            ClearFault(Row(kRowBoardSilent));
            BoardBack();
        }
    }
    return boardSilent;
}

bool MainWindow::StageWithoutBoard(int d)
{
    if (!boardSilent)
        return false;
    // No verdict the board cannot carry out: the cycle ends unjudged here (no later stage of it
    // releases the mould either) and the mould stays held until the operator confirms it.
    stageClock.StopAll();
    for (quint32& m : detectMask)
        m = 0;
    // Nothing of the cycle is left to release the mould but the operator's confirmation.
    releaseDue = false;
    reCheckFlag = 0;
    openCycle.Reset();
    unjudgedStage = d;
    gpControlIO->IOSetOut(kInhibitOut, 1);
    gpControlIO->IOFlashOut();
    qWarning("stage %d not judged: the I/O board does not answer", d + 1);
    return true;
}
