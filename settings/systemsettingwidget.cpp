// The settings screen's frame: its pages in seven tab groups, the page protocol, showing and
// leaving the screen, the connections of the pages' buttons and the page slots.
#include "settings/systemsettingwidget.h"

#include <cstring>

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QProcess>
#include <QSqlTableModel>
#include <QTimer>

#include "core/globals.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/records/counters.h"
#include "widgets/blineedit.h"
#include "widgets/numberinput.h"
#include "widgets/showbox.h"
#include "widgets/toolkitglobals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/memorandumwidget.h"
#include "network/networkparamswidget.h"
#include "network/othernetworkswidget.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/passwordrule.h"
#include "settings/camerafunctionswidget.h"
#include "settings/cameraparamssubwidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/deviceparamswidget.h"
#include "settings/helpwidget.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/iowidget.h"
#include "settings/settingshost.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemlogwidget.h"
#include "settings/systemparamswidget.h"
#include "widgets/checkbox.h"
#include "widgets/choosecalinumwidget.h"
#include "widgets/colorbutton.h"
#include "widgets/modifytimewidget.h"
#include "widgets/splashwidget.h"
#include "widgets/textrow.h"

int SystemSettingWidget::outSet = 0;

// The tab icons live in the library's resources, linked only when named.
static void registerTabIcons()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(settingsframe);
        done = true;
    }
}

SystemSettingWidget::SystemSettingWidget(QWidget* parent) : BVerticalTabBar(parent)
{
    setObjectName("SystemSettingWidget");
    registerTabIcons();
    process = new QProcess(this);

    auto group = [this](const char* icon, std::initializer_list<int> rows, std::initializer_list<QWidget*> pages) {
        QPixmap pic(QString::fromLatin1(icon));
        QVector<QString> names;
        for (int r : rows)
            names << textRow(r);
        addWidgetGroup(pic, names, QVector<QWidget*>(pages));
    };
    systemParams = new SystemParamsWidget(this);
    systemFunctions = new SystemFunctionsWidget(this);
    deviceParams = new DeviceParamsWidget(this);
    group(":/img/icons/setting.png", {215, 572, 431}, {systemParams, systemFunctions, deviceParams});
    cameraParams = new CameraParamsWidget(this);
    cameraFunctions = new CameraFunctionsWidget(this);
    group(":/img/icons/3c.png", {128, 573}, {cameraParams, cameraFunctions});
    networkParams = new NetworkParamsWidget(this);
    otherNetworks = new OtherNetworksWidget(this);
    group(":/img/icons/49.png", {262, 574}, {networkParams, otherNetworks});
    systemLog = new SystemLogWidget(this);
    memorandum = new MemorandumWidget(this);
    group(":/img/icons/50.png", {575, 576}, {systemLog, memorandum});
    ioParams = new IOParamsWidget(this);
    ioFunctions = new IOFunctionsWidget(this);
    group(":/img/icons/51.png", {577, 578}, {ioParams, ioFunctions});
    advanceParam = new AdvanceparamWidget(this);
    advanceFunc = new AdvanceFuncWidget(this);
    group(":/img/icons/52.png", {205, 581}, {advanceParam, advanceFunc});
    about = new SplashWidget(600, this);
    help = new HelpWidget(this);
    group(":/img/icons/53.png", {579, 580}, {about, help});

    connect(this, &BVerticalTabBar::Save_changes, this, [] {});
    connect(this, &BVerticalTabBar::DeviPara, deviceParams, &DeviceParamsWidget::SlotGetProductName);
    connect(this, &BVerticalTabBar::Memorandum, otherNetworks, &OtherNetworksWidget::SlotGetRemindList);
    // recordshow is connected with the log page's slots (ConnectNetwork).
    connect(this, &BVerticalTabBar::Exitsetup, this, [this] {
        accept();
        // A typed value to correct: the screen stays with every edit, nothing is lost.
        if (inputRefused_)
            return;
        // A refused accept leaves without a commit: the tuned cameras get the values in force.
        if (editing_)
            Leave();
        host()->showMainScreen();
    });

    sysparaInit();
    BtnConnect();
}

SettingsHost* SystemSettingWidget::host() const
{
    return SettingsHost::instance();
}

void SystemSettingWidget::sysparaInit()
{
    QFile names("./cnt_net/u2rj45name.txt");
    if (names.exists() && names.open(QIODevice::ReadOnly)) {
        QByteArray data = names.readAll();
        const int nul = data.indexOf('\0');
        if (nul >= 0)
            data.truncate(nul);
        adapterNames = QString::fromLatin1(data).split(';', Qt::SkipEmptyParts);
    }
    caliNumWidget = new ChooseCaliNumWidget(nullptr);
    modifyTimeWidget = new ModifyTimeWidget(textRow(401), nullptr);
    dbList = QSqlDatabase::contains("dbList") ? QSqlDatabase::database("dbList", false)
                                              : QSqlDatabase::addDatabase("QSQLITE", "dbList");
    ioWidget = new IOWidget(this);
    ioWidget->hide();
    recordModel = nullptr;
    showMode = false;
    paraGroupDir.setPath("./paraGroup");
    if (!paraGroupDir.exists())
        paraGroupDir.mkpath(".");
    ParaGroupUpdateList();
    autoExposeTimer = new QTimer(this);
    connect(autoExposeTimer, &QTimer::timeout, this, &SystemSettingWidget::SlotAutoExposeTimeTimeout);
}

void SystemSettingWidget::BtnConnect()
{
    connect(systemFunctions->resetCount, SIGNAL(clicked()), this, SLOT(ResetTotal()));
    connect(systemFunctions->shutDown, SIGNAL(clicked()), this, SLOT(SlotShutDown()));
    connect(systemFunctions->changePwd, SIGNAL(clicked()), this, SLOT(ChangePwd()));
    if (CameraParamsSubWidget* panel = cameraParams->subWidget) {
        for (QPushButton* b : panel->cameraButton)
            connect(b, SIGNAL(clicked(bool)), this, SLOT(SlotChangeCamera()));
        connect(panel->restoreButton, SIGNAL(clicked()), this, SLOT(SlotRestoreDefaultSettings()));
        connect(panel->exposure.slider, SIGNAL(valueChanged(int)), this, SLOT(SetExposeTime(int)));
        connect(panel->gain.slider, SIGNAL(valueChanged(int)), this, SLOT(SetAdjust(int)));
        connect(panel->assignButton, SIGNAL(clicked()), this, SLOT(SlotTuneCamera()));
    }
    connect(cameraParams->clarity.slider, SIGNAL(valueChanged(int)), this, SLOT(SetSharp(int)));
    connect(cameraParams->truth.slider, SIGNAL(valueChanged(int)), this, SLOT(SetContrast(int)));
    connect(cameraParams->gamma.slider, SIGNAL(valueChanged(int)), this, SLOT(SetGamma(int)));
    connect(cameraFunctions->autoShading, SIGNAL(stateChanged(int)), this, SLOT(SetAutoWDR(int)));
    connect(ioParams->procedureGroup(), SIGNAL(buttonClicked(int)), this, SLOT(SlotChangeSysFun(int)));
    connect(ioParams->customIOButton(), SIGNAL(clicked()), this, SLOT(SlotShowIOWidget()));
    connect(ioParams->ioNameButton(), SIGNAL(clicked()), this, SLOT(SlotShowCustomIONameWidget()));
    connect(advanceParam->groupList, SIGNAL(currentIndexChanged(int)), this, SLOT(SlotParaGroupChange(int)));
    connect(advanceFunc->hardwareButton, SIGNAL(clicked()), this, SLOT(SlotShowHardwareConfigurationWidget()));
    connect(this, SIGNAL(pListWClick()), systemLog, SLOT(modelChange()));
    // The I/O grid's Confirm: the re-detect label and the way back to the I/O parameters page.
    connect(ioWidget, &IOWidget::reCheckTextChanged, this, &SystemSettingWidget::ResetReCheck1Text);
    connect(ioWidget, &IOWidget::pageRequested, this, &SystemSettingWidget::changeWidget);
    ConnectMaintenance();
    ConnectNetwork();
}

void SystemSettingWidget::showEvent(QShowEvent* event)
{
    // Pages reload only for a new opening from the main screen; coming back from the naming page,
    // the hardware page or the floating camera panel keeps the edits and the edited camera.
    const bool reload = reloadPending_;
    if (reloadPending_) {
        reloadPending_ = false;
        WizardParaInit();
    }
    qInfo("settings: screen shown, pages %s", reload ? "loaded" : "kept");
    host()->overlayTools(0);
    BVerticalTabBar::showEvent(event);
}

void SystemSettingWidget::WizardParaInit()
{
    showMode = false;
    outSet = 0;
    systemParams->WizardParaInit();
    systemFunctions->WizardParaInit();
    deviceParams->WizardParaInit();
    cameraParams->WizardParaInit();
    cameraFunctions->WizardParaInit();
    networkParams->WizardParaInit();
    otherNetworks->WizardParaInit();
    ioParams->WizardParaInit();
    ioFunctions->WizardParaInit();
    advanceParam->WizardParaInit();
    advanceFunc->WizardParaInit();
    DoChangePage();
}

void SystemSettingWidget::BeginEdit()
{
    editing_ = true;
    hardwarePage = false;
    if (isVisible()) {
        reloadPending_ = false;
        WizardParaInit();
    } else {
        reloadPending_ = true;
    }
}

void SystemSettingWidget::Leave()
{
    hide();
    if (!editing_)
        return;
    editing_ = false;
    const WizardPara edited = *gpWParaBak;
    // The edit copy goes back to the record in force first, so the setters apply the values in
    // force whichever record they read.
    *gpWParaBak = *gpWPara;
    if (gpNet)
        gpNet->CopyCardToEdit();
    RestoreTunedCameras(*gpWPara, edited);
}

void SystemSettingWidget::RestoreTunedCameras(const WizardPara& inForce, const WizardPara& edited)
{
    const TunedCameras t = TunedCameraValues(inForce, edited);
    SettingsHost* h = host();
    for (int v = 0; v < 8; ++v) {
        if (t.exposure[v])
            h->applyCamera(v, SettingsHost::Exposure);
        if (t.gain[v])
            h->applyCamera(v, SettingsHost::Gain);
        if (t.sharpness[v])
            h->applyCamera(v, SettingsHost::Sharpness);
        if (t.contrast[v])
            h->applyCamera(v, SettingsHost::Contrast);
        if (t.gamma[v])
            h->applyCamera(v, SettingsHost::Gamma);
    }
}

void SystemSettingWidget::changeWidget(int index)
{
    if (index < 0 || index >= pageStack()->count())
        return;
    pageStack()->setCurrentIndex(index);
    if (index < tabButtons().size()) {
        tabButtons()[index]->setChecked(true);
        titleLabel()->setText(tabButtons()[index]->text());
    }
}

void SystemSettingWidget::ResetReCheck1Text(const QString& text)
{
    systemParams->labelReCheck->setText(text);
}

void SystemSettingWidget::SlotShowIOWidget()
{
    ioWidget->show();
    ioWidget->raise();
}

void SystemSettingWidget::SlotShowCustomIONameWidget()
{
    hide();
    host()->showCustomIONamePage();
}

void SystemSettingWidget::SlotShowHardwareConfigurationWidget()
{
    hardwarePage = true;
    hide();
    host()->showHardwarePage();
}

void SystemSettingWidget::ResetTotal()
{
    for (int c = 0; c < MAX_CAMERA; ++c) {
        gAllNum[c] = 0;
        gFailNum[c] = 0;
    }
    host()->insertRecord(textRow(255));
    host()->countWrite();
    gLost = 0;
}

void SystemSettingWidget::ChangePwd()
{
    const QString first = systemFunctions->newPassword->text();
    const QString second = systemFunctions->confirmPassword->text();
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (first.isEmpty() || second.isEmpty()) {
        showWarnBox(textRow(278));
        return;
    }
    if (first != second) {
        showWarnBox(textRow(280));
        return;
    }
    // Refused rather than cut: a cut password would be "changed" and then "wrong".
    if (!PasswordFits(first)) {
        showWarnBox(textRow(646));
        return;
    }
    const QByteArray bytes = first.toLatin1();
    std::memset(gpWParaBak->password, 0, sizeof(gpWParaBak->password));
    std::memcpy(gpWParaBak->password, bytes.constData(), size_t(bytes.size()));
    showWarnBox(textRow(279));
    systemFunctions->newPassword->clear();
    systemFunctions->confirmPassword->clear();
}

void SystemSettingWidget::SlotParaGroupChange(int)
{
    advanceParam->groupName->setText(advanceParam->groupList->currentText());
}

void SystemSettingWidget::SlotChangeSysFun(int index)
{
    ioParams->showProcedureControls(index);
}
