#pragma once
// The tabbed settings screen (main stack page 1): seven tab groups of pages that edit the edit copy
// gpWParaBak, the live camera tuning, the connections of the pages' buttons, and accept(), the one
// commit of the edit copy.
//
// Sources by concern: systemsettingwidget.cpp (construction, page protocol, showing and leaving,
// page slots), systemsettingwidget_tuning.cpp (live camera tuning, auto exposure),
// systemsettingwidget_accept.cpp (accept and SaveNetParam), systemsettingwidget_pending.cpp
// (slots whose work comes with other pages).
#include <QDir>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "widgets/bverticaltabbar.h"

class AdvanceFuncWidget;
class AdvanceparamWidget;
class CameraFunctionsWidget;
class CameraParamsWidget;
class ChooseCaliNumWidget;
class DeviceParamsWidget;
class HelpWidget;
class IOFunctionsWidget;
class IOParamsWidget;
class IOWidget;
class MemorandumWidget;
class ModifyTimeWidget;
class NetworkParamsWidget;
class OtherNetworksWidget;
class QListWidgetItem;
class QProcess;
class QSqlTableModel;
class QTimer;
class SettingsHost;
class SplashWidget;
class SystemFunctionsWidget;
class SystemLogWidget;
class SystemParamsWidget;
class WizardPara;

class SystemSettingWidget : public BVerticalTabBar {
    Q_OBJECT
public:
    explicit SystemSettingWidget(QWidget* parent = nullptr);

    // The camera (0..3) the camera pages and the tuning sliders edit.
    static int outSet;

    // Whether the pop-out camera-parameter panel is shown (its setters then read the edit copy).
    bool cameraPanelVisible() const;
    void sysparaInit();
    void BtnConnect();

    // Page protocol: every page loads its controls from gpWParaBak.
    void WizardParaInit();
    void changeWidget(int index);
    void ResetReCheck1Text(const QString& text);

    // The main screen opens the screen (after it refreshed the edit copies): the next show reloads
    // every page. Showing it again after the naming page, the hardware page or the floating camera
    // panel keeps the edits.
    void BeginEdit();
    // The screen is left without a commit (an alarm hold, an option-bar button, "Exit setup" after
    // a refused accept): the cameras the tuning changed get the values in force back, and the
    // screen is hidden.
    void Leave();
    // True while an edit session is open (between BeginEdit and its commit, decline or Leave).
    bool editing() const { return editing_; }

    // Writes the network files whose settings differ; returns the change bits (0 = nothing).
    int SaveNetParam();
    // The warning that refuses the edited network card or host name; empty when they can be stored.
    QString NetCardRefusal() const;
    // Fills the network page's card controls from the edited card record.
    void InitCntNetWidget();

    SettingsHost* host() const;

    // Pages (owned through the tab bar's stack).
    SystemParamsWidget* systemParams = nullptr;
    SystemFunctionsWidget* systemFunctions = nullptr;
    DeviceParamsWidget* deviceParams = nullptr;
    CameraParamsWidget* cameraParams = nullptr;
    CameraFunctionsWidget* cameraFunctions = nullptr;
    NetworkParamsWidget* networkParams = nullptr;
    OtherNetworksWidget* otherNetworks = nullptr;
    SystemLogWidget* systemLog = nullptr;
    MemorandumWidget* memorandum = nullptr;
    IOParamsWidget* ioParams = nullptr;
    IOFunctionsWidget* ioFunctions = nullptr;
    AdvanceparamWidget* advanceParam = nullptr;
    AdvanceFuncWidget* advanceFunc = nullptr;
    SplashWidget* about = nullptr;
    HelpWidget* help = nullptr;

    IOWidget* ioWidget = nullptr;
    QProcess* process = nullptr;
    ChooseCaliNumWidget* caliNumWidget = nullptr;
    ModifyTimeWidget* modifyTimeWidget = nullptr;
    QSqlTableModel* recordModel = nullptr;
    QSqlDatabase dbList;
    QDir paraGroupDir;
    QTimer* autoExposeTimer = nullptr;
    bool showMode = false;
    bool hardwarePage = false;
    QString netStatus;
    QStringList adapterNames;

signals:
    void pListWClick();

public slots:
    void accept();

    // Live camera tuning (systemsettingwidget_tuning.cpp).
    void SetExposeTime(int exposeTime);
    void SetAdjust(int adjustPlus);
    void SetSharp(int value);
    void SetContrast(int value);
    void SetGamma(int value);
    void SetAutoWDR(int state);
    void SetAutoExp(int state);
    void SlotChangeCamera();
    void SlotRestoreDefaultSettings();
    void SlotTuneCamera();
    void SlotChangeShowMode();
    void SlotAutoExposeTime();
    void SlotAutoExposeTimeTimeout();

    // Page slots.
    void SlotChangeSysFun(int index);
    void SlotShowIOWidget();
    void SlotShowCustomIONameWidget();
    void SlotShowHardwareConfigurationWidget();
    void SlotParaGroupChange(int index);
    // The advanced parameters page has no volume slider: nothing to set.
    void SlotChgVolume(int) {}
    void SlotToCamera() {}
    void DoChangePage() {}
    // The system functions page's Reset Count and Change PWD.
    void ResetTotal();
    void ChangePwd();

    // Maintenance actions (systemsettingwidget_maintenance.cpp).
    void SlotExit();
    void SlotShutDown();
    void SlotChangeLan(int language);
    void SlotUpdateApp();
    void SlotModifyTime();
    void SlotExportData();
    void SlotRestoreFactorySet();
    void SlotCalibration();
    void SlotClearRecord();
    void SlotParaGroupBackup();
    void SlotParaGroupRestore();
    void SlotParaGroupDelete();
    void ParaGroupUpdateList();

    // Network page and system log page (systemsettingwidget_network.cpp).
    void SlotCmbCard(int index);
    void SlotIpTimelyModify(QString text);
    void SlotMaskTimelyModify(QString text);
    void SlotWayTimelyModify(QString text);
    void SlotCBoxIsUseCntNet(int value);
    void SlotCntClick();
    void SlotCntName(int state);
    void SlotCheckPing();
    void SlotToNetwork();
    void SlotToRecord();
    void UpdateRecord(QListWidgetItem* item);

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void showEvent(QShowEvent* event) override;

private:
    // Re-applies the values in force to the cameras whose values differ in the edit copy.
    void RestoreTunedCameras(const WizardPara& inForce, const WizardPara& edited);
    // The camera page's exposure, gain, clarity, truth and gamma sliders (and the capture speed)
    // from the edit copy for camera outSet.
    void LoadCameraSliders(bool speed);

    // Connections to the advanced pages' maintenance buttons, the network page and the log page.
    void ConnectMaintenance();
    void ConnectNetwork();

    bool cntNetOn_ = false;        // the network page's big-data switch is on
    bool cntNameTouched_ = false;  // the use-this-card switch was pressed by the operator
    bool editing_ = false;
    bool inputRefused_ = false;  // the last accept refused a typed value: the screen stays open
    int netFilesWritten_ = 0;  // bits 1 (interfaces) and 4 (host files) of the last SaveNetParam
    bool reloadPending_ = true;
};
