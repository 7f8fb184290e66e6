// accept(): the one commit of the settings screen, and the network files it writes.
#include "settings/systemsettingwidget.h"

#include <cstring>

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/syspath.h"
#include "core/uitexttable.h"
#include "core/wholefile.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/networkparamswidget.h"
#include "network/othernetworkswidget.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/camerafunctionswidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/deviceparamswidget.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/netfiles.h"
#include "settings/settingschange.h"
#include "settings/settingshost.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemparamswidget.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

namespace {

bool anyDetectionSwitch(const WizardPara& p)
{
    return p.enable_defect_detect || p.enable_spot_detect || p.enable_black_area_detect ||
           p.enable_white_area_detect || p.enable_white_count_detect || p.enable_direction_detect ||
           p.enable_similarity_detect;
}

bool sameCard(const NetCard& a, const NetCard& b)
{
    return a.hostName == b.hostName && a.addresses == b.addresses;
}

const char* const kInterfaces = "./cnt_net/ls_interfaces";
const char* const kHostname = "./cnt_net/ls_hostname";
const char* const kHosts = "./cnt_net/ls_hosts";

}  // namespace

void SystemSettingWidget::accept()
{
    SettingsHost* h = host();
    // 1.
    if (h->userLevel() == 2)
        h->setUserLevel(gpWPara->is_psw_used ? 1 : 0);
    // 2.
    systemParams->accept();
    systemFunctions->accept();
    deviceParams->accept();
    cameraParams->accept();
    cameraFunctions->accept();
    networkParams->accept();
    otherNetworks->accept();
    ioParams->accept();
    ioFunctions->accept();
    advanceParam->accept();
    advanceFunc->accept();
    inputRefused_ = false;
    // 3. Refused: the edit copy keeps the edits, the session stays open.
    if (!anyDetectionSwitch(*gpWParaBak)) {
        showWarnBox(textRow(232));
        return;
    }
    // A typed number the record cannot hold as typed is refused the same way.
    if (const int field = deviceParams->refusedField()) {
        showWarnBox(textRow(647).arg(textRow(field)));
        inputRefused_ = true;
        return;
    }
    // So is a network card that cannot work or a host name the files cannot carry: the page keeps
    // what was typed, nothing is written or recorded.
    if (const QString why = NetCardRefusal(); !why.isEmpty()) {
        showWarnBox(why);
        inputRefused_ = true;
        return;
    }
    for (const QString& note : deviceParams->cutNotes() + otherNetworks->cutNotes())
        showWarnBox(note);
    editing_ = false;
    // 4.
    const AcceptSnapshot s{*gpWPara, *gpWParaBak};
    // 5.
    if (gpNet && gpNet->serverSettingsChanged) {
        h->restartReportClient();
        gpNet->serverSettingsChanged = false;
    }
    // 6.
    const bool cardSame = !gpNet || sameCard(gpNet->cardInForce, gpNet->cardEdit);
    if (std::memcmp(gpWPara, gpWParaBak, sizeof(WizardPara)) == 0 && cardSame) {
        qInfo("settings: nothing changed");
        for (int c = 0; c < h->cameraCount(); ++c)
            h->updateView(c);
        return;
    }
    // 7, 8.
    qInfo("settings: asking whether to save");
    if (!showChooseBox(textRow(234))) {
        qInfo("settings: declined");
        *gpWParaBak = *gpWPara;
        if (gpNet)
            gpNet->CopyCardToEdit();
        RestoreTunedCameras(s.old, s.edited);
        for (int c = 0; c < h->cameraCount(); ++c)
            h->updateView(c);
        return;
    }
    // 9.
    const bool paraChanged = std::memcmp(gpWPara, gpWParaBak, sizeof(WizardPara)) != 0;
    const QString text = SettingsChangeText(s.old, s.edited, gLan);
    // 10.
    const bool deferred = IoModeStep(*gpWParaBak, gpWPara->io_mode, *h);
    // 12, then 11: the record says only what is stored; network files that could not be written
    // leave nothing to record when nothing else changed.
    const int net = SaveNetParam();
    if (paraChanged || netFilesWritten_ != 0)
        h->insertRecord(text);
    // 13.
    *gpWPara = *gpWParaBak;
    if (gpNet)
        gpNet->cardInForce = gpNet->cardEdit;
    if (!gpWPara->SaveDatatoFile())
        showWarnBox(textRow(621));
    qInfo("settings: committed");
    // 14.
    if (gpWPara->location_level >= 1)
        h->startScreenOffTimer(gpWPara->location_level * 1000);
    // 15. Only the files written in this accept go into /etc.
    if (net) {
        if (netFilesWritten_ & 1)
            runCommand("cp", {kInterfaces, "/etc/network/interfaces"});
        if (netFilesWritten_ & 4) {
            runCommand("cp", {kHostname, "/etc/hostname"});
            runCommand("cp", {kHosts, "/etc/hosts"});
        }
        qInfo("(change serverinfo) 'NetClinet' will restart...");
        h->restartReportClient();
    }
    // 16.
    if (s.changed(&WizardPara::image_trigger))
        for (int c = 0; c < h->cameraCount(); ++c)
            h->cameraChangeTrig(c);
    if (s.changed(&WizardPara::capture_speed))
        h->cameraSetSpeed();
    // 17.
    ShapeTrainingPlan(s, *gpWPara, gDNum, *h);
    // 18. The restart note also follows a chosen mode that the next start takes to or from 4.
    if (s.changed(&WizardPara::max_mold_num) || s.changed(&WizardPara::ng_max_num) ||
        s.changed(&WizardPara::ok_record_max_num))
        showWarnBox(textRow(276));
    if (s.changed(&WizardPara::serial_port) || s.changed(&WizardPara::enable_color_camera) ||
        s.changed(&WizardPara::enable_gray_channel) || s.changed(&WizardPara::prohibit_optimize))
        showWarnBox(textRow(309));
    if (s.changed(&WizardPara::io_mode) || (deferred && s.changed(&WizardPara::io_mode_chosen)))
        showWarnBox(textRow(277));
    // 19.
    if (s.changed(&WizardPara::snap_shot) || s.changed(&WizardPara::first_stage_on))
        h->sidePanelShowHide(3);
    // 20.
    for (int c = 0; c < h->cameraCount(); ++c)
        h->updateView(c);
}

QString SystemSettingWidget::NetCardRefusal() const
{
    if (!gpNet)
        return QString();
    const NetCard& edit = gpNet->cardEdit;
    const NetCard& inForce = gpNet->cardInForce;
    if (edit.addresses != inForce.addresses || edit.hostName != inForce.hostName) {
        const QString why = EditedCardRefusal(inForce, edit);
        if (!why.isEmpty())
            return why;
    }
    // The name goes into /etc/hostname and /etc/hosts: refused like a bad address.
    if (edit.hostName != inForce.hostName && !IsHostName(edit.hostName))
        return textRow(690);
    return QString();
}

int SystemSettingWidget::SaveNetParam()
{
    int bits = 0;
    netFilesWritten_ = 0;
    if (!gpNet)
        return 0;
    NetCard& edit = gpNet->cardEdit;
    const NetCard& inForce = gpNet->cardInForce;
    const bool addressesChanged = edit.addresses != inForce.addresses;
    const bool hostChanged = edit.hostName != inForce.hostName;
    // accept() refused a card or host name that cannot be stored before it came here.
    {
        QDir().mkpath("./cnt_net");
        // A file goes into /etc only whole: on a full disk a copy would leave the machine
        // without its network or hosts file at the next start.
        bool whole = true;
        if (addressesChanged) {
            whole = WriteWholeFile(kInterfaces, InterfacesFileText(edit.addresses));
            bits |= 1;
        }
        if (whole && hostChanged) {
            QFile hosts(sysPath("/etc/hosts"));
            const QByteArray current = hosts.open(QIODevice::ReadOnly) ? hosts.readAll() : QByteArray();
            whole = WriteWholeFile(kHostname, edit.hostName.toLatin1()) &&
                    WriteWholeFile(kHosts, HostsFileText(current, edit.hostName));
            bits |= 4;
        }
        if (whole) {
            netFilesWritten_ = bits;
        } else {
            // Nothing goes into /etc and the card in force stays; the other settings commit.
            qWarning("settings: the network files could not be written whole, /etc is left as it is");
            host()->insertRecord(textRow(635).simplified());
            showWarnBox(textRow(635));
            edit = inForce;
            bits = 0;
        }
    }
    if (gpWPara->cnt_net_enabled != gpWParaBak->cnt_net_enabled)
        bits |= 2;
    if (gpWParaBak->cnt_net_enabled) {
        if (std::strncmp(gpWPara->CntNet_UseName, gpWParaBak->CntNet_UseName, sizeof(gpWPara->CntNet_UseName)) != 0 ||
            gpWPara->video_share != gpWParaBak->video_share ||
            gpWPara->video_fps_index != gpWParaBak->video_fps_index ||
            gpWPara->ng_video_record != gpWParaBak->ng_video_record)
            bits |= 8;
        if (gpNet->serverSettingsChanged)
            bits |= 16;
    } else {
        edit.hostName = inForce.hostName;
    }
    return bits;
}
