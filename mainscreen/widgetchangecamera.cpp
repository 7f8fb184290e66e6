#include "mainscreen/widgetchangecamera.h"

#include <QPainter>

#include "core/globals.h"
#include "core/sharedpictures.h"
#include "mainscreen/chromerules.h"
#include "settings/systemsettingwidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

namespace {
QFont DialogFont()
{
    QFont f("times", 20);
    f.setWeight(2);
    return f;
}
}  // namespace

WidgetChangeCamera::WidgetChangeCamera(MainWindow* win) : QWidget(nullptr), win_(win)
{
    setGeometry(gShowW / 2 - 275, gShowH / 2 - 280, 550, 560);
    const QFont font = DialogFont();
    count_ = qBound(0, numCamera, 8);
    const QStringList items = cameraChoiceTexts(count_);
    for (int i = 0; i < count_; ++i) {
        auto* box = new ComboBox(this);
        box->setGeometry(360, 10 + 60 * i, 160, 50);
        box->setFont(font);
        box->setItemHeight(50);
        for (int k = 0; k < items.size(); ++k)
            box->addItem(items.at(k), k);
        box->fitTexts(28);
        gCamNO[i] = i;
        box->setCurrentIndex(i);
        boxes_[i] = box;
    }
    void (WidgetChangeCamera::*const setters[8])(int) = {
        &WidgetChangeCamera::SetCameraNO0, &WidgetChangeCamera::SetCameraNO1, &WidgetChangeCamera::SetCameraNO2,
        &WidgetChangeCamera::SetCameraNO3, &WidgetChangeCamera::SetCameraNO4, &WidgetChangeCamera::SetCameraNO5,
        &WidgetChangeCamera::SetCameraNO6, &WidgetChangeCamera::SetCameraNO7};
    for (int i = 0; i < count_; ++i)
        connect(boxes_[i], QOverload<int>::of(&QComboBox::currentIndexChanged), this, setters[i]);

    ok_ = new ColorButton(textRow(121), this, 3);
    ok_->setGeometry(30, 490, 490, 50);
    connect(ok_, &QPushButton::clicked, this, &WidgetChangeCamera::SlotOK);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void WidgetChangeCamera::SetCameraNO(int view, int slot)
{
    if (view >= 0 && view < 8)
        gCamNO[view] = slot;
}

void WidgetChangeCamera::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    p.setPen(Qt::blue);
    for (const PaintedText& t : paintedTexts()) {
        p.setFont(t.font);
        p.drawText(t.room, Qt::AlignLeft | Qt::AlignVCenter, t.text);
    }
}

QList<PaintedText> WidgetChangeCamera::paintedTexts() const
{
    QList<PaintedText> out;
    for (int i = 0; i < count_; ++i)
        out.append({textRow(395).arg(i + 1), DialogFont(), QRect(20, 10 + 60 * i, 340, 50)});
    return out;
}

void WidgetChangeCamera::SlotOK()
{
    const AssignmentVerdict v = checkAssignment(gCamNO, count_, gCameraID);
    switch (v.kind) {
    case AssignmentVerdict::Duplicate:
        showWarnBox(textRow(361).arg(v.slot + 1));
        return;
    case AssignmentVerdict::NotStorable:
        // The serials of this make cannot be stored: a restart would silently bring the old order back.
        showWarnBox(textRow(592));
        return;
    case AssignmentVerdict::CloseOnly:
        hide();
        return;
    case AssignmentVerdict::Store:
        break;
    }
    hide();
    SaveSN(0);
    if (win_ && win_->settingWidget)
        win_->settingWidget->SlotShutDown();
}
