// Construction of the main window and the start-up of the monitoring side; the operation record,
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"
#include "vision/records/recordwriter.h"

#include <cstdio>

#include <QFile>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDesktopWidget>
#include <QFileInfo>
#include <QApplication>
#include <QBoxLayout>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSound>
#include <QStackedWidget>
#include <QTimer>
#include <QtDebug>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#include "core/comsend.h"
#include "core/commandrunner.h"
#include "core/ledonoff.h"
#include "core/logmanager.h"
#include "core/orderlystop.h"
#include "core/runmodederivation.h"
#include "core/startup.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/imagecontainer.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/titlebar.h"
#include "mainscreen/widgetchangecamera.h"
#include "network/cnt_net.h"
#include <QPixmap>
#include "platform/camsdk/mindvisionsdk.h"
#include "settings/customionamewidget.h"
#include "settings/hardwareconfigurationwidget.h"
#include "settings/systemsettingwidget.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/temperaturealarm.h"
#include "vision/controller/damagenotices.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/records/counters.h"
#include "vision/records/savefialimagethread.h"
#include "vision/records/verdictwriter.h"
#include "vision/controller/startupdatabases.h"
#include "widgets/choosebox.h"
#include "widgets/finetuningdialog.h"
#include "widgets/modalhook.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/passwordbox.h"
#include "widgets/showbox.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"

int gPicNumNG = 0;
int gPicNumOK = 0;

// The zoom-out icon and the pictures of the application style sheet.
static void InitMainWindowResources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(mainwindow);
        done = true;
    }
}

namespace {

QString Row(int row)
{
    return gaLanStr[row * LAN_COUNT + gLan];
}

QTimer* NewTimer(MainWindow* w, void (MainWindow::*slot)(), bool singleShot = false)
{
    auto* t = new QTimer(w);
    t->setSingleShot(singleShot);
    QObject::connect(t, &QTimer::timeout, w, slot);
    return t;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : BWidget(parent), recordDir("./RECORD"), statisticsDir("./ResStatistics")
{
    setObjectName("MainWindow");
    InitMainWindowResources();
    gpWin = this;
    Monitor_Init();
    if (rebootAsked) {
        // Nothing after the failed step was built: end here rather than run a half-built window.
        // Before the record is loaded the log file takes nothing, so the reason goes to stderr too.
        const QByteArray line = ("start-up stopped, reboot asked: " + stopReason).toUtf8();
        qCritical("%s", line.constData());
        std::fprintf(stderr, "%s\n", line.constData());
        Exit(3);
    }

    titleBar = new TitleBar(this);
    alarmOption = new AlarmOption(this);
    regiOption = new RegiOption(this);
    BuildLayout();
    setWindowFlags(Qt::FramelessWindowHint);
    setFixedSize(1920, 1080);
    ConnectBars();
    qInfo("start-up: main window built");
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildLayout()
{
    optionStack = new QStackedWidget(this);
    optionStack->addWidget(optionBar);
    optionStack->addWidget(regiOption);
    optionStack->addWidget(alarmOption);
    optionStack->setContentsMargins(0, 0, 0, 0);

    mainStack = new QStackedWidget(this);
    mainStack->addWidget(imageContainer);
    mainStack->addWidget(settingWidget);
    mainStack->setContentsMargins(0, 0, 0, 0);

    auto* boxA = new QHBoxLayout;
    boxA->addWidget(optionStack, 0);
    boxA->setSpacing(0);
    boxA->setContentsMargins(10, 10, 10, 10);

    auto* boxB = new QHBoxLayout;
    boxB->addWidget(mainStack, 1);
    boxB->addLayout(boxA, 0);
    boxB->setSpacing(0);
    boxB->setContentsMargins(0, 0, 0, 0);

    auto* top = new QVBoxLayout;
    top->addWidget(titleBar);
    top->addLayout(boxB);
    top->setSpacing(0);
    top->setContentsMargins(0, 0, 0, 0);
    setLayout(top);
}

void MainWindow::ConnectBars()
{
    connect(optionBar, &OptionBar::btnsToggled, this, &MainWindow::OptBtnsToggledSlot);
    connect(regiOption, &RegiOption::btnsToggled, this, &MainWindow::RegionBtnsToggledSlot);
    connect(regiOption, &RegiOption::ChangeDetect, this, &MainWindow::SlotChangeDetect);
    connect(regiOption, &RegiOption::ChangeCamera, this, &MainWindow::SlotChangeCamera);
    connect(alarmOption, &AlarmOption::btnsToggled, this, &MainWindow::AlarmtnsToggledSlot);
    connect(alarmOption, &AlarmOption::AlarmChangeSource, this, &MainWindow::SlotChangeSource);
}

void MainWindow::Monitor_Init()
{
    InstallHosts();

    // 1. FFmpeg 4 and later register formats and filters by themselves.
    avformat_network_init();
    avdevice_register_all();

    // 2.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        setFixedSize(s->geometry().size());
    gShowW = 1725;
    gShowH = 982;

    // 3. The members start with their table values; the temperature alarm is clear.
    gisTempAlarm = 0;

    // 4.
    logoutTimer = NewTimer(this, &MainWindow::TimerLogout);
    lcdTimer = NewTimer(this, &MainWindow::TimerLCD);
    void (MainWindow::*const checkInput[8])() = {
        &MainWindow::TimerCheckInput0, &MainWindow::TimerCheckInput1, &MainWindow::TimerCheckInput2,
        &MainWindow::TimerCheckInput3, &MainWindow::TimerCheckInput4, &MainWindow::TimerCheckInput5,
        &MainWindow::TimerCheckInput6, &MainWindow::TimerCheckInput7};
    for (int i = 0; i < 8; ++i)
        inputTimer[i] = NewTimer(this, checkInput[i]);

    // 5.
    gpWarnBox = new WarnBox(Row(568), nullptr);
    gpWarnBox->setTitleRow(568);

    // 6.
    if (!OpenDatabases()) {
        rebootAsked = true;
        return;
    }

    // 7.
    gpWPara->LoadDatafromFile();
    qInfo("start-up: databases open, parameter record loaded");

    // 8.
    if (!LogManager::__instance)
        LogManager::__instance = new LogManager;
    qInfo().noquote() << QString("application start VERSION: %1 on \"%2\"")
                             .arg(LogManager::kVersion,
                                  QDateTime::currentDateTime().toString("yyyy.MM.dd hh:mm:ss.zzz"));
    if (!databasesMended.isEmpty())
        qWarning().noquote() << "start-up:" << databasesMended;

    // 9.
    if (gpWPara->io_mode == 4) {
        curDetect = gDNum - 1;
        multiDetect = gDNum - 1;
    } else {
        curDetect = gpWPara->first_stage_on == 1 ? 0 : 1;
        multiDetect = 0;
    }
    gTempNum = gpWPara->max_mold_num;
    gPicNumNG = gpWPara->ng_max_num;
    gPicNumOK = gpWPara->ok_record_max_num;
    gisCOM = gpWPara->serial_port;
    gisCut = 1 - gpWPara->prohibit_optimize;
    gisGrayHue = gpWPara->enable_gray_channel != 0;
    gisColor = gpWPara->enable_color_camera != 0;

    // 10.
    gpChooseBox = new ChooseBox(Row(588), nullptr);
    gpChooseBox->setTitleRow(588);
    gShowW = 1725;
    gShowH = 982;
    gpNumPad = new NumberInput(nullptr);
    gpNumCharPad = new NumCharInput(nullptr);

    // 11.
    gpControlIO = new ControlPort;
    gpControlIO->IOSetOut(0, 1);
    gpControlIO->IOFlashOut();
    qInfo("start-up: I/O board on port %d", gisCOM);

    // 12.
    CheckCameraID();
    gImageLen = gImageW * gImageH;
    gShowAW = float(gShowW) / float(gImageW);
    gShowAH = float(gShowH) / float(gImageH);
    showScaleX = gShowAW;
    showScaleY = gShowAH;
    gColorLen = gisColor ? gImageLen * 4 : gImageLen;
    qInfo("start-up: camera make %d, %d found, picture %d x %d", gCameraID.load(), gFindCamera, gImageW, gImageH);

    // 13. The box is not shown here.
    gpWarnBox->confirmButton()->hide();
    gpWarnBox->setText(Row(133));

    // 14.
    grayTable = new QVector<QRgb>(256);
    for (int i = 0; i < 256; ++i)
        (*grayTable)[i] = qRgba(i, i, i, 255);
    for (int& f : frameCount)
        f = 0;
    numCamera = 0;

    // 15. Each view whose camera opens counts itself into numCamera.
    optionBar = new OptionBar(this);
    settingWidget = new SystemSettingWidget(this);
    settingWidget->hide();  // page 1 of the main stack; the camera setters read the record in force
    imageContainer = new ImageContainer(this);
    qInfo("start-up: %d camera views built, %d cameras open", MAX_CAMERA, numCamera);

    // 16.
    CameraCountCheck();
    if (rebootAsked)
        return;

    // 17.
    alarmSound = new QSound("alarm.wav", this);
    alarmSound->setLoops(QSound::Infinite);

    // 18.
    ioStatusWidget = new IOStatusWidget(this);
    indexButton = new IndexButton(this);
    drawROIWidget = new DrawROIWidget(this);
    widgetChangeCamera = new WidgetChangeCamera(this);
    customIONameWidget = new CustomIONameWidget(this);
    optionBar->finetuning()->move(gShowW - 165, gShowH - 300);

    // 19.
    CreateZoomButtons();

    // 20.
    customIONameWidget->init();
    customIONameWidget->hide();
    hardwareConfigurationWidget = new HardwareConfigurationWidget(this);
    hardwareConfigurationWidget->hide();
    gpPasswordBox = new PasswordBox(Row(569), nullptr);
    gpPasswordBox->setTitleRow(569);
    drawROIWidget->hide();
    widgetChangeCamera->hide();
    ChangeCammer();
    qInfo("start-up: screens and dialogs built");

    // 21.
    CreateDirectories();

    // 22, 23.
    CreateTimers();
    InitCycle();
    QDir().mkpath("./RECORD");
    QDir().mkpath("./ResStatistics");
    StatisticsInit();

    // 24.
    LoadDay();
    SlotCheckDate();
    ReadStartupHold();
    StartDetect(startupHold != NoStartupHold);

    // 25.
    if (gpWPara->is_cut_ontime && gpWPara->mold_pulse > 0) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }

    // 26.
    for (bool& f : ngOutFlags)
        f = false;
    cycleStarted = false;
    manualDetect = gDNum;
    cycleStages = gDNum;
    cycleInputs = TriggerWiring::StageInputs(*gpWPara);
    installEventFilter(this);
    gpWarnBox->hide();
    runTimer->start(5);
    dayTimer->start(60000);
    InsertRecord(Row(150).arg(numCamera));
    if (startupHold != NoStartupHold)
        HoldUnjudged(startupHoldText);
    fpsTimer = NewTimer(this, &MainWindow::SlotFPS);
    fpsTimer->start(1000);
    if (gCameraID == CAMERA_MIND) {
        char version[256] = {};
        CameraSdkGetVersionString(version);
        InsertRecord(QString::fromLocal8Bit(version));
    }

    // 27.
    cycleTime = 0;
    cycleStart = int(QDateTime::currentMSecsSinceEpoch() / 100);
    gisRunWTD = true;
    CountRead();
    CameraSetSpeed();
    if (gpNet) {
        // The reports read the cycle's state through the report server's host.
        gpNet->host.runState = [this] { return runState; };
        gpNet->host.cycleTime = [this] { return cycleTime; };
        gpNet->host.releaseMethod = [this] { return releaseMethod; };
        gpNet->host.grabWindow = [this] { return grab().toImage(); };
        gpNet->host.refreshFrame = [this](int c) {
            if (c >= 0 && c < MAX_CAMERA && cammerWidget[c] && ViewBuilt(c))
                cammerWidget[c]->RefreshDisplayCopy();
        };
        gpNet->host.regionModel = [this](int c) -> const CammerSingleton* {
            return c >= 0 && c < MAX_CAMERA && cammerWidget[c] ? cammerWidget[c]->modelInForce : nullptr;
        };
        InstallReportSeams();
    }
    if (gpWPara->cnt_net_enabled && gpNet && gpNet->isopen && gpNet->connected)
        gpNet->CNT_SendMemoryInfo();
    if (gpWPara->location_level > 0)
        lcdTimer->start(gpWPara->location_level * 1000);

    // 28. Reparenting keeps each dialog a window of its own.
    gpWarnBox->setParent(this, gpWarnBox->windowFlags());
    gpChooseBox->setParent(this, gpChooseBox->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    gpNumPad->setParent(this, gpNumPad->windowFlags());
    gpNumCharPad->setParent(this, gpNumCharPad->windowFlags());
    gpPasswordBox->setParent(this, gpPasswordBox->windowFlags());
    simInput = -1;
    repeatInput = -1;
    // Damage found while starting: one warning on screen, one row for each.
    const QStringList damage = DamageNotices::Take();
    for (const QString& text : damage)
        InsertRecord(text);
    // A start-up hold shares the one warning box: its text and confirm button stay with the damage.
    if (!damage.isEmpty() && startupHold != NoStartupHold)
        ShowConfirmable(startupHoldText + "\n" + damage.join("\n"));
    else if (!damage.isEmpty())
        ShowFault(damage.join("\n"));
    qInfo("start-up: monitoring ready, %d views, detection %s", numCamera, runState == 1 ? "running" : "stopped");
}

bool MainWindow::OpenDatabases()
{
    StartupDatabases dbs;
    dbs.warn = [](const QString& text) { showWarnBox(text); };
    dbs.today = [this] { return WallNow().date(); };
    const bool opened = dbs.OpenAll();
    databasesMended = dbs.rotationFinished;
    if (!opened) {
        stopReason = "database " + dbs.damage
                     + (dbs.busy ? ", left as it was"
                                 : dbs.noDefault ? ", no sound default copy, stopped" : ", default copy placed");
        return false;
    }
    // A record file replaced at the last start is told now that the record is open again.
    QFile replaced(DamageNotices::ReplacedMarker("RECORD.db"));
    if (replaced.open(QIODevice::ReadOnly)) {
        const QString aside = QString::fromUtf8(replaced.readAll()).trimmed();
        DamageNotices::Add(aside.isEmpty() ? Row(674).arg("RECORD.db") : Row(673).arg("RECORD.db", aside));
        replaced.close();
        replaced.remove();
    }
    paramDb = QSqlDatabase::database("dbIn", false);
    paramQuery = QSqlQuery(paramDb);
    recordDb = QSqlDatabase::database("dbRecord", false);
    serialDb = QSqlDatabase::database("dbT", false);
    serialQuery = QSqlQuery(serialDb);
    record.StartWriter();
    record.reporter = [](const QDateTime& when, const QString& level, const QString& text) {
        if (gpWPara && gpWPara->cnt_net_enabled && gpNet && gpNet->isopen)
            gpNet->CNT_SendRecord(when, level, text);
    };
    return true;
}

void MainWindow::CameraCountCheck()
{
    if (gCameraID == CAMERA_NONE || numCamera == 0) {
        // Four views are laid out without cameras; only view 0 is fully built.
        gShowW = 1920;
        gShowH = 1080;
        gCameraID = CAMERA_NONE;
        numCamera = 4;
        qInfo("start-up: no camera, four empty views");
        gpChooseBox->setText(Row(134));
        if (execModal(*gpChooseBox) == QDialog::Accepted)
            SaveSN(1);
    } else if (gFindCamera != gpWPara->stored_camera_count && gpWPara->stored_camera_count >= 1) {
        qInfo("start-up: %d cameras found, %d stored", gFindCamera, gpWPara->stored_camera_count);
        if (showChooseBox(Row(360))) {
            SaveSN(1);
            FLushAll();
            runCommand("reboot", {});
            stopReason = "camera count changed, serials cleared";
            rebootAsked = true;
            return;
        }
    }
    viewCount = numCamera == 1 ? 0 : numCamera;
    selectedView = numCamera;
    gShowW = 1725;
    gShowH = 982;
}

void MainWindow::CreateZoomButtons()
{
    // The rule of the plain state needs its selector to parse.
    const QString style =
        "QPushButton{border-style:none;background:transparent;}QPushButton:pressed{background-color:#FFC107;}";
    auto make = [&](const char* icon, int x, int y) {
        auto* b = new QPushButton;
        b->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        b->setFixedSize(55, 55);
        b->setIcon(QIcon(icon));
        b->setIconSize(QSize(50, 50));
        b->setAttribute(Qt::WA_TranslucentBackground);
        b->setStyleSheet(style);
        b->move(x, y);
        b->hide();
        return b;
    };
    zoomInButton = make(":/img/icons/ZoomIn.png", gShowW - 60, gShowH - 140);
    zoomInButton->setAutoRepeat(true);
    zoomInButton->setAutoRepeatDelay(300);
    zoomInButton->setAutoRepeatInterval(50);
    connect(zoomInButton, &QPushButton::clicked, this, &MainWindow::MEnlargeScale);
    zoomOutButton = make(":/img/icons/ZoomOut.png", gShowW - 155, gShowH - 140);
    zoomOutButton->setAutoRepeat(true);
    connect(zoomOutButton, &QPushButton::clicked, this, &MainWindow::MReductionScale);
    zoomTimer = NewTimer(this, &MainWindow::MTimerScale);
}

void MainWindow::CreateDirectories()
{
    for (int c = 1; c <= numCamera && c <= MAX_CAMERA; ++c) {
        for (int d = 1; d <= MAX_DETECT; ++d) {
            const QString alarm = "./alarmimage";
            alarmDir[c - 1][d - 1][0] = QDir(QString("%1//camera%2//detect%3//NG").arg(alarm).arg(c).arg(d));
            alarmDir[c - 1][d - 1][1] = QDir(QString("%1//camera%2//detect%3//OK").arg(alarm).arg(c).arg(d));
            const QDir dirs[] = {alarmDir[c - 1][d - 1][0], alarmDir[c - 1][d - 1][1],
                                 QDir(QString("./cammer%1%2").arg(c).arg(d)),
                                 QDir(QString("%1//cammer%2%3").arg("./originalimage").arg(c).arg(d))};
            for (const QDir& dir : dirs) {
                if (!dir.exists())
                    dir.mkpath(".");
            }
        }
    }
}

void MainWindow::CreateTimers()
{
    runTimer = NewTimer(this, &MainWindow::Run, true);
    inputTimeoutTimer = NewTimer(this, &MainWindow::InCheck);
    hintTimer = NewTimer(this, &MainWindow::SlotDrawHint);
    void (MainWindow::*const up[8])() = {&MainWindow::TimerUp0, &MainWindow::TimerUp1, &MainWindow::TimerUp2,
                                         &MainWindow::TimerUp3, &MainWindow::TimerUp4, &MainWindow::TimerUp5,
                                         &MainWindow::TimerUp6, &MainWindow::TimerUp7};
    for (int i = 0; i < MAX_DETECT; ++i)
        stageTimer[i] = NewTimer(this, up[i]);
    // The stage timers only wake the stage clock: it alone starts and stops them.
    stageClock.wake = [this](int d, int ms) {
        if (d < 0 || d >= MAX_DETECT || !stageTimer[d])
            return;
        if (ms >= 0) {
            stageTimer[d]->start(ms);
        } else if (stageTimer[d]->isActive()) {
            stageTimer[d]->stop();
            // Diagnostics on standard error, as the verdicts: when each delay ended.
            qDebug("stage %d delay ended at %s", d + 1,
                   qPrintable(QDateTime::currentDateTime().toString("yyyy/MM/dd-HH:mm:ss.zzz")));
        }
    };
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (ViewBuilt(v))
            frameCount[v] = frameShown[v] = frameStill[v] = 0;
    }
    showTimer = NewTimer(this, &MainWindow::TimerShow);
    ngPulseTimer = NewTimer(this, &MainWindow::OutTimerOutNG);
    closePulseTimer = NewTimer(this, &MainWindow::OutTimerNotAllowClose);
    reserveTimer = NewTimer(this, &MainWindow::OutTimerReserveOutput);
    ejectorPulseTimer = NewTimer(this, &MainWindow::OutTimerNotAllowThimble);
    tempTimer = NewTimer(this, &MainWindow::CheckTemp);
    tempTimer->start(5000);
    alarmResetTimer = NewTimer(this, &MainWindow::SlotResetAlarm);
    dayTimer = NewTimer(this, &MainWindow::SlotCheckDate);
}

void MainWindow::LoadDay()
{
    if (!dayRotation.recordDay().isEmpty())
        return;  // a row recorded earlier in the start-up loaded it
    dayRotation.LoadDay(WallNow().date());
    storedDay = dayRotation.recordDay();
    if (!dayRotation.dayFileBad())
        return;
    // Once: the next start finds the day file rewritten.
    const QString text = dayRotation.keptAside().isEmpty()
                             ? Row(630).arg(storedDay)
                             : Row(631).arg(storedDay, QFileInfo(dayRotation.keptAside()).fileName());
    SlotCheckDate();  // the rows of the day found go into its archive before this one is written
    // Told with the other damage found while starting: one warning, one row.
    DamageNotices::Add(text);
}

// --- operation record, counters, day rotation

void MainWindow::InsertRecord(QString text)
{
    // Every row goes into the record of the day it is written on: a new day is rotated to first,
    // not only at the next check of the day timer.
    const QDateTime now = WallNow();
    if (dayRotation.recordDay().isEmpty())
        LoadDay();
    if (DayRotation::DayText(now.date()) != dayRotation.recordDay())
        SlotCheckDate();
    record.InsertRecordAt(now, text, userLevel);
}

void MainWindow::ClearRecord()
{
    record.ClearRecord();
}

namespace {
int MsLeft(const QDeadlineTimer& bound)
{
    return int(qMax<qint64>(0, bound.remainingTime()));
}
}  // namespace

void MainWindow::FLushAll()
{
    // Bounded: exit, shut-down and reboot go on after this; what is left is logged with its text.
    // The two writers work side by side, so they share the bound.
    const QDeadlineTimer bound(OrderlyStop::kFlushBoundMs);
    if (verdictWriter)
        verdictWriter->Drain(MsLeft(bound));
    record.Drain(MsLeft(bound));
    OperationRecord::FlushAll();
}

bool MainWindow::FlushBeforeEnd(int boundMs, QStringList* leftOut)
{
    const QDeadlineTimer bound(boundMs);
    bool whole = true;
    QStringList missing;  // what each writer left out since the start, for the stop's line
    if (verdictWriter) {
        // A day change run on the writer hands its outcome back to this thread; taken in, it may
        // hand today's counts over for the fresh file. Nothing else of the event loop runs here.
        for (int round = 0; round < 3 && verdictWriter->Flush(MsLeft(bound)); ++round) {
            QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
            if (verdictWriter->pending() == 0)
                break;
        }
        whole = verdictWriter->Stop(MsLeft(bound));
        if (const int n = verdictWriter->missing())
            missing << QString("verdict writer: %1 job(s)").arg(n);
    }
    if (RecordWriter* writer = record.writer()) {
        int rows = 0;
        if (!writer->Flush(MsLeft(bound))) {
            // The row being written ends first, so every row logged below is one that is missing.
            writer->Hold(200);
            writer->Drain(0);
            rows = writer->pending();
            whole = false;
        }
        rows += writer->givenUp();
        if (rows > 0) {
            missing << QString("record writer: %1 row(s)").arg(rows);
            whole = false;
        }
    }
    // The NG picture an alarm hold keeps until its outcome goes as at the next cycle's start.
    int pictures = 0;
    if (!HandOverPictures(true)) {
        qCritical("the NG picture the alarm hold kept could not be handed to the picture writer");
        ++pictures;
        whole = false;
    }
    bool picturesWaiting = false;
    if (pictureWriter && !pictureWriter->Finish(MsLeft(bound))) {
        qCritical("NG pictures handed over may not all be written before the end");
        picturesWaiting = true;
        whole = false;
    }
    if (pictureWriter)
        pictures += pictureWriter->failed();
    if (pictures > 0 || picturesWaiting)
        missing << QString("picture writer: %1 picture(s)%2")
                       .arg(pictures)
                       .arg(picturesWaiting ? QStringLiteral(" and those still waiting at the end") : QString());
    if (gpResStatisticsParam) {
        const QString lost = gpResStatisticsParam->leftOut();
        if (!lost.isEmpty()) {
            missing << "statistics store: " + lost;
            whole = false;
        }
    }
    // Its destructor tells of counts it could keep only in memory, and closes its connection.
    delete gpResStatisticsParam;
    gpResStatisticsParam = nullptr;
    OperationRecord::FlushAll([](int) {});
    if (leftOut)
        *leftOut << missing;
    return whole && missing.isEmpty();
}

void MainWindow::SlotCheckDate()
{
    if (dayRotation.recordDay().isEmpty())
        return;  // the start-up loads the day first
    const QDate today = WallNow().date();
    // The record writer writes the rows of the old day, then lets go of RECORD.db while the day
    // rotation moves it; rows of the new day wait for their file.
    RecordWriter* writer = record.writer();
    const bool moving = DayRotation::DayText(today) != dayRotation.recordDay();
    if (moving && writer && (!writer->FinishDay(2000) || !writer->Hold(2000))) {
        writer->Release();
        qWarning("day rotation put off: the record writer is busy");
        return;
    }
    const bool done = dayRotation.CheckDate(today);
    if (writer) {
        if (done)
            writer->SetDay(dayRotation.recordDay());
        if (moving)
            writer->Release();
    }
    storedDay = dayRotation.recordDay();
    StatisticsDayCheck();
}

void MainWindow::CountRead()
{
    const Counters::ReadResult read = Counters::CountRead();
    if (!read.damaged)
        return;
    // The damaged file is kept for whoever can still read it; what was read is stored at once so
    // a count file exists again (a folder in its place would take no count ever).
    const QString aside = DamageNotices::SetAside("count.txt");
    if (!Counters::CountWrite())
        qCritical("count.txt could not be written again after its damage");
    QStringList cameras;
    for (int c : read.lost)
        if (c < numCamera || numCamera <= 0)
            cameras << QString::number(c + 1);
    if (cameras.isEmpty())
        cameras << QString::number(read.lost.value(0) + 1);
    DamageNotices::Add(Row(672).arg("count.txt", aside.isEmpty() ? QString("-") : aside, cameras.join(',')));
}

void MainWindow::CountWrite()
{
    countsUnwritten = false;
    // Queued behind the verdicts' earlier writes, so an older count never lands over a newer one.
    if (verdictWriter)
        verdictWriter->WriteFile(QDir::current().absoluteFilePath(QStringLiteral("count.txt")),
                                 Counters::Format(gAllNum, gFailNum));
    else
        Counters::CountWrite();
}
