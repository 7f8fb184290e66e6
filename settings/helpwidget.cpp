#include "settings/helpwidget.h"

#include <QPainter>
#include <QPushButton>

#include "core/globals.h"
#include "core/uitexttable.h"
#include "mainscreen/chromerules.h"
#include "widgets/textrow.h"

HelpWidget::HelpWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName("HelpWidget");
    setGeometry(0, 0, gShowW, gShowH);
    const bool wide = gShowW > 1024;
    const int w = wide ? 150 : 80;
    const int h = wide ? 60 : 30;
    const int rows[4] = {339, 340, 146, 58};
    void (HelpWidget::*handlers[4])() = {&HelpWidget::SlotLast, &HelpWidget::SlotNext, &HelpWidget::SlotAlarm,
                                      &HelpWidget::SlotReturn};
    for (int k = 0; k < 4; ++k) {
        buttons_[k] = new QPushButton(textRow(rows[k]), this);
        buttons_[k]->setGeometry(350 + k * (w + 5), 842, w, h);
        connect(buttons_[k], &QPushButton::clicked, this, handlers[k]);
    }
    for (const QString& file : HelpPageFiles(HelpDirectory(gLan)))
        pages_ << QPixmap(file);  // an unreadable file gives an empty page
    if (pages_.isEmpty()) {
        InitChromeResources();
        pages_ << QPixmap(":/img/icons/camera.png");
    }
    stepper_.count = pages_.size();
    setStyleSheet("HelpWidget{ background:transparent;border:2px solid #d3d3d3;}"
                  "QPushButton{background-color:#ffffff;color:#656263;font-size:25px;}"
                  "QPushButton:pressed{color:#656263;background-color:#d3d3d3;}");
}

void HelpWidget::SlotLast()
{
    gHelpC = stepper_.previous(gHelpC);
    update();
}

void HelpWidget::SlotNext()
{
    gHelpC = stepper_.next(gHelpC);
    update();
}

void HelpWidget::SlotAlarm()
{
    gHelpC = stepper_.shown(kHelpAlarmPage);
    update();
}

void HelpWidget::SlotReturn()
{
    // Back to the manual's first page; hiding the viewer left the help tab blank until a restart.
    gHelpC = stepper_.shown(0);
    update();
}

void HelpWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), pages_.at(shownPage()));
}
