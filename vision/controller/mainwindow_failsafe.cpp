// The controller's side of the fail-safe watches: faults found on other threads (a failed picture
// write, a silent board, a blind monitoring pass) reach the operator here, on the GUI thread, as a
// non-modal warning and an operation record row.
#include "vision/controller/mainwindow.h"

#include <QMetaObject>

#include "core/uitexttable.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int row)
{
    return gaLanStr[row * LAN_COUNT + gLan];
}

constexpr int kRowPictureNotSaved = 612;

}  // namespace

void MainWindow::InitFailSafe()
{
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

void MainWindow::ShowFault(const QString& text)
{
    // Non-modal: the cycle keeps running while the warning is up.
    if (!faultBox) {
        faultBox = new WarnBox(Row(568), this);
        faultBox->setTitleRow(568);
        faultBox->setWindowFlags(faultBox->windowFlags() | Qt::Window);
    }
    faultBox->setText(text);
    faultBox->show();
    faultBox->raise();
    qWarning("warning shown: %s", qPrintable(text));
}

void MainWindow::ClearFault(const QString& text)
{
    if (faultBox && faultBox->isVisible() && faultBox->text() == text)
        faultBox->hide();
}
