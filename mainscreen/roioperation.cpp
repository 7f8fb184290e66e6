#include "mainscreen/roioperation.h"

#include <QApplication>

#include <QHBoxLayout>
#include <QPushButton>

#include "core/globals.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/optionlists.h"
#include "vision/controller/mainwindow.h"

namespace {

const char* const kIcons[7] = {":/img/icons/99.png",  ":/img/icons/98.png",  ":/img/icons/97.png",
                               ":/img/icons/96.png",  ":/img/icons/100.png", ":/img/icons/101.png",
                               ":/img/icons/102.png"};
using Command = void (DrawROIWidget::*)();
const Command kCommands[7] = {&DrawROIWidget::SlotDrawRect,   &DrawROIWidget::SlotDrawCircle,
                              &DrawROIWidget::SlotDrawPloygn, &DrawROIWidget::SlotDrawHand,
                              &DrawROIWidget::SlotCopyArea,   &DrawROIWidget::SlotDeleteROI,
                              &DrawROIWidget::SlotDeleteAllROI};

}  // namespace

roiOperation::roiOperation(QWidget* parent) : BWidget(parent)
{
    OptionLists::InitPictures();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    for (int i = 0; i < 7; ++i) {
        auto* b = new QPushButton(this);
        b->setFixedSize(60, 60);
        b->setIcon(QIcon(kIcons[i]));
        b->setIconSize(QSize(60, 60));
        // A held button repeats its command.
        b->setAutoRepeat(true);
        buttons[i] = b;
        layout->addWidget(b);
    }
    Btnconnect();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(800, 200);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet("QPushButton{border-style:none;background:transparent;}QPushButton:pressed{background-color:#FFC107;}");
}

void roiOperation::Btnconnect()
{
    for (int i = 0; i < 7; ++i) {
        const Command cmd = kCommands[i];
        // The page controller is looked up when pressed: the views are built before it.
        QPushButton* b = buttons[i];
        connect(b, &QPushButton::pressed, this, [cmd, b] {
            // A command that asked a question or warned holds its button down under the dialog:
            // the repeat stops there instead of stacking one dialog on another.
            if (QApplication::activeModalWidget()) {
                b->setDown(false);
                return;
            }
            if (gpWin && gpWin->drawROIWidget)
                (gpWin->drawROIWidget->*cmd)();
        });
    }
}
