// Saves PNGs of the network parameters, other networks and reminders pages in each language, with
// sample values, for a look at the layout:
//   networkpageshots OUTPUT_DIR
// Runs on the offscreen platform when no display is set.
#include <cstring>

#include <QApplication>
#include <QButtonGroup>
#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "network/memorandumwidget.h"
#include "network/networkparamswidget.h"
#include "network/othernetworkswidget.h"
#include "widgets/bcombobox.h"
#include "widgets/blineedit.h"
#include "widgets/checkbox.h"

namespace {

bool Save(QWidget* w, const QString& file)
{
    w->resize(1400, 900);
    w->setStyleSheet(w->styleSheet() + "BWidget,QWidget#" + w->objectName() + "{background:white;}");
    w->show();
    QApplication::processEvents();
    return w->grab().save(file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        qCritical("usage: networkpageshots OUTPUT_DIR");
        return 2;
    }
    const QString out = argv[1];
    QDir().mkpath(out);
    // The pages read files relative to the working directory and under MOULDMON_SYSROOT.
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    qputenv("MOULDMON_SYSROOT", work.path().toLocal8Bit());
    QDir(work.path()).mkpath("proc/net");
    QFile dev(work.path() + "/proc/net/dev");
    if (dev.open(QIODevice::WriteOnly))
        dev.write("    lo: 900 1\n  eth0: 1000 5\n wlan0: 50 2\n");
    dev.close();
    Data_Init();
    WizardPara para;
    para.cnt_net_enabled = 1;
    para.serial_port = 1;
    para.alarm_sms = 1;
    std::strcpy(para.CntNet_MsgTechName, "张工");
    std::strcpy(para.CntNet_MsgTechNum, "13800000000");
    gpWPara = gpWParaBak = &para;
    int failed = 0;
    for (int lan : {0, 1, 2}) {
        gLan = lan;
        NetworkParamsWidget params;
        params.card->addItems({"eth0", "eth1"});
        params.WizardParaInit();
        params.address->setText("192.168.0.5");
        params.mask->setText("255.255.255.0");
        params.gateway->setText("192.168.0.1");
        params.deviceName->setText("press-07");
        params.mac->setText("00:11:22:33:44:55");
        params.videoType->button(2)->setChecked(true);
        params.frameRate->button(4)->setChecked(true);
        failed += !Save(&params, QString("%1/networkparams_%2.png").arg(out).arg(lan));

        OtherNetworksWidget other;
        other.WizardParaInit();
        other.wifiName->setText("workshop");
        other.wifiPassword->setText("password1");
        other.infoServer->setText("10.0.0.1");
        other.infoPort->setText("7000");
        other.fileServer->setText("10.0.0.2");
        other.filePort->setText("7001");
        other.show();
        QFile dev2(work.path() + "/proc/net/dev");
        if (dev2.open(QIODevice::WriteOnly))
            dev2.write("    lo: 900 1\n  eth0: 2000 5\n wlan0: 50 2\n");
        dev2.close();
        other.SlotTimerChk();
        failed += !Save(&other, QString("%1/othernetworks_%2.png").arg(out).arg(lan));

        MemorandumWidget memo;
        memo.show();
        memo.cnt_reset_remind(QString::fromUtf8(
            R"({"result":[{"operator":"王五","create_utc":1714547700000,"notify_utc":1714551300000,"duration":30,"reminder_name":"更换模具"},)"
            R"({"operator":"Li","create_utc":1714547700000,"notify_utc":1714634100000,"duration":5,"reminder_name":"Clean the nozzle"}]})"));
        failed += !Save(&memo, QString("%1/memorandum_%2.png").arg(out).arg(lan));
    }
    return failed ? 1 : 0;
}
