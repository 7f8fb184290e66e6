#include "mainscreen/iostatuswidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "core/globals.h"
#include "core/sharedpictures.h"
#include "core/wizardpara.h"
#include "mainscreen/chromerules.h"
#include "mainscreen/imagecontainer.h"
#include "mainscreen/titlebar.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"

IOStatusWidget::IOStatusWidget(MainWindow* win) : QWidget(ViewArea(win)), win_(win)
{
    setGeometry(0, gShowH - 180, gShowW, 180);
    setProperty(kOverlayProperty, true);
    raise();
}

int IOStatusWidget::UpdateLamps(QRect* rect)
{
    const int mode = gpWPara ? gpWPara->io_mode : 0;
    static const int kNoTrigger[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    const int* trig = gpWPara ? gpWPara->stage_trigger_input : kNoTrigger;
    TitleBar* bar = win_ ? win_->titleBar : nullptr;
    const int out2 = refreshIOLamps(
        mode, trig, [](int kind, int n) { return gpControlIO ? gpControlIO->IOState(kind, n) : 0; },
        [bar](int io, int index, int state) {
            if (bar)
                bar->promptSwitching_State(io, index, state);
        });
    *rect = QRect(ioOutputPictureX(mode), height() - 85, 70, 80);
    return out2 ? 1 : 0;
}

void IOStatusWidget::Refresh()
{
    // Hidden (another screen), it leaves the lamps as they are, as its paints did.
    if (!isVisible())
        return;
    QRect rect;
    const int state = UpdateLamps(&rect);
    if (state != drawnState_ || rect != drawnRect_) {
        update(drawnRect_);
        update(rect);
    }
}

void IOStatusWidget::paintEvent(QPaintEvent*)
{
    drawnState_ = UpdateLamps(&drawnRect_);
    if (gpPixmapOUT[drawnState_]) {
        QPainter p(this);
        p.drawPixmap(drawnRect_, *gpPixmapOUT[drawnState_]);
    }
}

void IOStatusWidget::mousePressEvent(QMouseEvent* event)
{
    // Presses meant for the region tool bar or the move buttons under the strip go through.
    if (forward_.press(this, event))
        return;
    if (win_)
        win_->userLevel = 0;
    update();
}

void IOStatusWidget::mouseMoveEvent(QMouseEvent* event)
{
    forward_.move(event);
}

void IOStatusWidget::mouseReleaseEvent(QMouseEvent* event)
{
    forward_.release(event);
}
