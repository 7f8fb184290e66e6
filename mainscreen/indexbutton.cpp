#include "mainscreen/indexbutton.h"

#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "mainscreen/chromerules.h"
#include "mainscreen/imagecontainer.h"
#include "vision/controller/mainwindow.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/textrow.h"

IndexButton::IndexButton(MainWindow* win) : QWidget(ViewArea(win))
{
    InitChromeResources();
    for (const char* path : {"./images/logo2.bmp", "./images/logo2.png"}) {
        if (QFile::exists(path) && logo_.load(path)) {
            logoLabel_ = new QLabel(this);
            logoLabel_->setGeometry(0, 0, 230, 110);
            logoLabel_->setScaledContents(true);
            logoLabel_->setPixmap(logo_);
            logoPresent_ = true;
            break;
        }
    }
    QFont font("wqy-microhei", 33);

    struct Spec {
        int row;
        void (MainWindow::*slot)();
    };
    const Spec specs[10] = {{126, &MainWindow::SlotReturn},       {127, &MainWindow::SlotStartStop},
                            {215, nullptr},                       {129, &MainWindow::SlotReTrain},
                            {130, &MainWindow::SlotAdjustArea},   {562, &MainWindow::SlotAccount},
                            {111, &MainWindow::SlotHelp},         {516, &MainWindow::SlotMuliManualTrig},
                            {132, &MainWindow::SlotManualTrig1},  {131, &MainWindow::SlotManualTrig0}};
    for (int i = 0; i < 10; ++i) {
        buttons_[i] = new ColorButton(textRow(specs[i].row), this, 4);
        buttons_[i]->setGeometry(10, 130 + 80 * i, 220, 70);
        if (auto slot = specs[i].slot) {
            connect(buttons_[i], &QPushButton::clicked, this, [slot] {
                if (gpWin)
                    (gpWin->*slot)();
            });
        }
        buttons_[i]->hide();
    }
    // The two snapshot buttons the rule may show sit at the foot of the strip.
    buttons_[MOLD_SNAPSHOT]->setGeometry(10, gShowH - 300, 220, 70);
    buttons_[PRO_SNAPSHOT]->setGeometry(10, gShowH - 380, 220, 70);

    choice_ = new ComboBox(this);
    choice_->hide();
    choice_->setGeometry(140, 698, 100, 83);
    choice_->setFont(font);
    choice_->setItemHeight(73);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &IndexButton::SlotShowHideTimeout);

    setGeometry(gShowW - 240, 0, 240, gShowH);
    setProperty(kOverlayProperty, true);
    Reset();
}

void IndexButton::Reset()
{
    ShowHide(0);
    ResetComboChooseManualTrig();
}

void IndexButton::ShowHide(int)
{
    const SnapshotButtons v = gpWPara ? snapshotVisibility(gpWPara->snap_shot, gpWPara->first_stage_on, gpWPara->io_mode)
                                      : SnapshotButtons{false, false};
    buttons_[PRO_SNAPSHOT]->setVisible(v.pro);
    buttons_[MOLD_SNAPSHOT]->setVisible(v.mold);
}

void IndexButton::ResetComboChooseManualTrig()
{
    choice_->clear();
    choice_->addItems(stageChoiceTexts(gpWPara ? gpWPara->stage_count : 0));
}

int IndexButton::CurChooseTrig() const
{
    return choice_->currentIndex();
}

void IndexButton::SlotShowHideTimeout()
{
    showFlag_ = false;
    ShowHide(1);
    timer_->stop();
}

void IndexButton::mousePressEvent(QMouseEvent* event)
{
    if (std::lround(event->localPos().x()) < pressWidth_) {
        showFlag_ = !showFlag_;
        ShowHide(2);
    }
    // The strip lies over the pan and zoom buttons of the view shown alone.
    if (forward_.press(this, event))
        return;
    QWidget::mousePressEvent(event);
}

void IndexButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!forward_.move(event))
        QWidget::mouseMoveEvent(event);
}

void IndexButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (!forward_.release(event))
        QWidget::mouseReleaseEvent(event);
}
