#include "core/startup.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <QtDebug>

#include "core/globals.h"
#include "core/orderlystop.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"

namespace {
std::function<void()> gStopPause;
}

void SetStopWTDPause(std::function<void()> pause)
{
    gStopPause = std::move(pause);
}

void StopWTD()
{
    gisRunWTD = false;
    if (gStopPause)
        gStopPause();
    else
        sleep(1);
}

void Exit(int code)
{
    // Counts and records the writers still hold would be lost with the process.
    OrderlyStop::FlushBeforeEnd();
    StopWTD();
    qDebug("exit with code %d", code);
    EndProcess(code);
}

void EndProcess(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(code);
}

void EndProcessOnExit()
{
    static const bool registered = on_exit([](int status, void*) { EndProcess(status); }, nullptr) == 0;
    (void)registered;
}

bool IsLostDisplayMessage(const QString& message)
{
    return message.startsWith(QLatin1String("The X11 connection broke"));
}

QString ApplicationStyleSheet()
{
    static const char* const rules[][2] = {
        {"QLabel", "font-size:18px;color:white;"},
        {"MainWindow", "background-color:#ffffff;"},
        {"BLineEdit", "background-color:#f5f5f5;border-width:1px;border-style:solid;border-color:#696667;"
                      "color:#173889;font-size:32px;"},
        {"QPushButton", "background-color:#ffffff;border-width:1px;border-style:solid;border-color:#696667;"
                        "color:#173889;font-size:22px;"},
        {"QPushButton:pressed", "background-color:#656263;color:#ffffff;"},
        {"QScrollBar:vertical", "background:#00FFFFFF;width:6px;min-height:40px;padding:0px;"},
        {"QScrollBar::handle:vertical", "background:#BDBDBD;border-radius:3px;"},
        {"QScrollBar::handle:vertical:hover", "background:#EDEDED;"},
        {"QScrollBar::add-line:vertical", "background:None;"},
        {"QScrollBar::sub-line:vertical", "background:None;"},
        {"QSlider", "height:38px;"},
        {"QSlider::groove", "border-radius:5px;height:10px;background:#d3d3d3;"},
        {"QSlider::handle", "width:  60px;height: 60px;margin-top: -20px;margin-left: -10px;"
                            "margin-bottom: -20px;margin-right: -10px;image:url(:/img/icons/圆1.png);"},
        {"QSlider::add-page", "border-radius:5px;height:10px;background:#d3d3d3;"},
        {"QSlider::sub-page", "border-radius:5px;height:10px;background:#273d88;"},
        {"QCheckBox::indicator", "width:95px;height:50px;"},
        {"QCheckBox::indicator:unchecked", "image:url(:/img/icons/54.png);"},
        {"QCheckBox::indicator:checked", "image:url(:/img/icons/55.png);"},
        {"QRadioButton", "font-size:22px;color:#656263;spacing:30px;"},
        {"QRadioButton::indicator", "width:50px;height:50px;"},
        {"QRadioButton::indicator::unchecked", "image: url(:/img/icons/71.png);"},
        {"QRadioButton::indicator::checked", "image: url(:/img/icons/70.png);"},
        {"QComboBox", "border: 1px solid #656263;padding: 1px 32px 1px 32px;font-size: 22px;color: #5f6268;"
                      "height: 50px;background-color:#f5f5f5;"},
        {"QComboBox::drop-down", "subcontrol-origin: padding;subcontrol-position: top right;width: 50px;"
                                 "border-style:none;"},
        {"QComboBox::down-arrow", "width: 50px;image: url(:/img/icons/2a.png);"},
        {"QComboBox QAbstractItemView", "border: 1px solid #656263;font-size: 22px;color: #5f6268;"
                                        "selection-background-color: #656263;"},
        {"QComboBox QAbstractItemView::item", "height:50px;"},
    };
    QString sheet;
    for (const auto& r : rules)
        sheet += QString::fromUtf8(r[0]) + '{' + QString::fromUtf8(r[1]) + '}';
    return sheet;
}

bool InstallApplicationFont()
{
    const int id = QFontDatabase::addApplicationFont(":/font/fonts/SourceHanSansCN-Medium.ttf");
    if (id == -1)
        return false;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty())
        return false;
    QFont font;
    font.setFamily(families.first());
    font.setWeight(50);
    QApplication::setFont(font);
    return true;
}

bool StartReportClient(const WizardPara& record, CNT_Net* server)
{
    if (!record.cnt_net_enabled || !server || !server->isopen)
        return false;
    server->CNT_FirstInit();
    server->CNT_ReStart();
    return true;
}
