#pragma once
// The main screen and monitoring controller (one instance, gpWin). Its constructor runs the whole
// start-up of the monitoring side (Monitor_Init): databases, parameter record, log, I/O board,
// cameras, screens, global dialogs, directories, timers and the start of detection.
//
// Sources by concern: mainwindow_init.cpp (constructor, Monitor_Init, records and counters),
// mainwindow_screens.cpp (dispatchers, view layout, zoom and pan), mainwindow_hosts.cpp (what the
// toolkit and the camera code ask of the controller), mainwindow_cycle.cpp (the monitoring cycle,
// its timers and run control).
#include <QStringList>
#include <QDir>
#include <QRgb>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>
#include <functional>

#include "core/globals.h"
#include "mainscreen/alarmoption.h"
#include "mainscreen/optionbar.h"
#include "mainscreen/regioption.h"
#include "vision/records/dayrotation.h"
#include "vision/records/operationrecord.h"
#include "vision/controller/opencycle.h"
#include "vision/controller/outputplan.h"
#include "vision/controller/stageclock.h"
#include "vision/controller/screenguard.h"
#include "vision/controller/viewlayout.h"
#include "widgets/bwidget.h"

class AlarmOption;
class CammerWidget;
class CustomIONameWidget;
class DrawROIWidget;
class HardwareConfigurationWidget;
class ImageContainer;
class IndexButton;
class IOStatusWidget;
class QPushButton;
class QSound;
class QStackedWidget;
class QThreadPool;
class QTimer;
class SystemSettingWidget;
class TitleBar;
class WarnBox;
class WidgetChangeCamera;

class SaveFialImageThread;
class VerdictWriter;

// Passes of the monitoring cycle since start-up.
extern int gRunCount;
// Retrain every enabled stage at the end of the verdict display (set after resampling's area check),
// rebuild the shapes of stage 1 (set when OK pictures became templates), the region page was
// opened by resampling's area check.
extern int gisReTrain;
extern int gisReShape;
extern int gFromTrain;

// Picture limits per folder, copied from the record at start-up.
extern int gPicNumNG;
extern int gPicNumOK;

class MainWindow : public BWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up of the monitoring side; called once by the constructor. Stops early (and sets
    // rebootAsked) when a damaged database was replaced and the reboot asked for.
    void Monitor_Init();
    // True once a reboot was asked for during the start-up; nothing after that point was built.
    bool rebootAsked = false;
    QString stopReason;
    // What the opening of the databases mended without a reboot, logged once the log is open.
    QString databasesMended;

    // --- operation record, counters, day rotation
    void InsertRecord(QString text);
    void ClearRecord();
    // Before a reboot, a copy of the files or the end: what the writers hold is written (3 s at
    // most, what is left logged with its contents) and the databases close; the program may go on.
    void FLushAll();
    // Before the process ends (Exit, a stop by a signal): the same within `boundMs`, and what was
    // logged as left out is never written afterwards; the statistics store is let go. True when
    // nothing was left out since the start; else each writer that left anything out is named in
    // `leftOut` with how much. Nothing may run on this window afterwards.
    bool FlushBeforeEnd(int boundMs, QStringList* leftOut = nullptr);
    void CountRead();
    void CountWrite();

    // --- fail-safe watches (mainwindow_failsafe.cpp)
    // Faults found off the GUI thread reach the operator here: a non-modal warning that
    // ClearFault takes down again when it still shows the same text.
    void ShowFault(const QString& text);
    void ClearFault(const QString& text);
    // Start of every monitoring pass: tells the board thread the pass runs, records a blind spell
    // that ended, warns of a silent board. True while the board does not answer (no trigger can
    // be seen).
    bool FailSafePass();
    // A stage that expires while the board is silent: stopped unjudged, the mould-close inhibit
    // kept; true when that happened.
    bool StageWithoutBoard(int d);
    WarnBox* faultBox = nullptr;
    // What the fault box's confirm button does besides closing it, bound anew with every text: a
    // plain warning confirms no question, ShowConfirmable's confirms its own.
    QMetaObject::Connection faultConfirm;
    // The last question shown with ShowConfirmable: asked again when a plain warning that covered
    // it is confirmed while it is still owed.
    QString owedQuestion;
    bool owedStartup = false;  // that question is the start-up hold's
    bool boardSilent = false;
    // The main screen is up: 10 s later the longest time between two passes since the first one
    // is logged once ("start-up: longest monitoring pass gap N ms, ..."), the start-up's own share
    // of what the board watch would see.
    void MainScreenShown();
    bool startupGapOpen = true;     // until the report
    qint64 startupPassAtMs = -1;    // cycle clock at the start of the last pass
    qint64 startupGapMs = 0;        // longest time between two pass starts so far
    qint64 startupGapEndMs = 0;     // wall clock (ms since epoch) at the end of that gap

    // --- view layout
    // View v holds a camera the cycle may inspect (buffers, models, engine built): view 0 always
    // (the demonstration mode inspects it), another view only when a real camera opened in it.
    // The laid-out view count numCamera (4 in the no-camera mode) is not the inspected count.
    bool ViewBuilt(int v) const;
    // The plain-state test of the main screen (see screenguard.h).
    ScreenState Screen() const;
    bool Guard(const char* tests) const { return ScreenGuardPasses(Screen(), tests); }

    // --- run control (mainwindow_cycle.cpp)
    int CheckPassword();
    bool CheckRoot();
    // holdMould: the mould-close inhibit stays set through the restart (see StartDetectOutputs).
    // keepCycle: the restart at the end of resampling, inside the open cycle: its held-back
    // release and re-check stay for its stages still to be judged, and an NG's pulse that outlasts
    // an OK of this cycle keeps what it set.
    void StartDetect(bool holdMould = false, bool keepCycle = false);
    // Detection's outputs at a start; `keepCycle` as for StartDetect.
    OutputPlan StartOutputs(bool holdMould, bool keepCycle) const;
    // Multiple detection: `plan` without the clears of the outputs of stages whose verdict is
    // still owed (counting, waiting for their input or the area check, or held by the alarm),
    // but for stage `judged`, whose verdict gives the plan.
    OutputPlan KeepOwedStageOutputs(OutputPlan plan, int judged = -1) const;
    void StopDetect();
    void SetStopDetect();
    void ResetRun();
    void CheckNG();
    // The verdict of stage d, named by the step that inspected it (CheckNG judges curDetect).
    void CheckNG(int stage);
    void BackTrain();
    void RunAlgorithm(int camera, int stage);
    // RunAlgorithm for every judged camera in camera order, their engines judging in parallel;
    // `stage` is asked again for each camera. Returns whether every judged camera is OK.
    // named: `stage` is the stage in force already (a re-check of its own stage), not mapped by
    // the side of the stage pair.
    bool RunAlgorithms(const std::function<int()>& stage, bool named = false);
    void AutogenerationRegion(int stage);

    // --- the monitoring cycle's own state and steps (mainwindow_cycle.cpp, mainwindow_verdict.cpp,
    //     mainwindow_runcontrol.cpp, mainwindow_pulses.cpp)
    // One 100 ms tick of stage d's delay; judges the stage when it expires.
    void TimerUp(int stage);
    // A tick of stage d's timer (TimerUp0 .. TimerUp7).
    void StageTimerTick(int d);
    // Inspects the current stage again for every camera and judges.
    void ReCheck();
    // Input confirmation after the debounce time.
    void CheckInput(int k);
    // Area check after resampling (the argument is not used).
    void CheckArea(bool);
    // Opens the area check once the slot whose inspection took the last template has returned,
    // then judges the stages that waited for its answer unless the region page opened.
    void AskAreaCheck();
    // The area check ended (End Set, or refused): its hold of the mould, then the stages that
    // waited for it.
    void EndAreaCheck();
    // The stages that waited for the area check, each judged by name: the template's OK, the
    // others inspected now.
    void JudgeDeferred();
    // The stage pair's stage in force for dispatch stage `stage` (modes 1 and 2 follow `side`).
    int StageInForce(int stage) const;
    // The stage in force when dispatch stage d's delay started: it is judged as that stage, also
    // when an input of the same pass turned the side meanwhile.
    int stageStartedAs[MAX_DETECT] = {-1, -1, -1, -1, -1, -1, -1, -1};
    // The open cycle's stages that wait for the area check.
    OpenCycle openCycle;
    // CycleOpen without the stages that wait for the area check.
    bool StagesOpen() const;
    // Alarm holds entered since the start: an answer asked in a hold belongs to that hold only.
    quint64 holdsEntered = 0;
    // Verdicts given since the start: an answer asked in a hold acts on the NG then shown only.
    quint64 verdictsGiven = 0;
    // The close pulse that runs is an NG's (pulse mode): another stage's OK does not end it.
    // Also set for an NG whose pulse has no length, until what clears its outputs.
    bool ngPulseRunning = false;
    // The NG's pulse was given without a length: no timer ends it.
    bool ngPulseEndless = false;
    // Cycles started so far (by an input or the operator's request), and the count when the NG's
    // pulse began: a pulse without a length belongs to the cycle it was given in.
    quint64 cyclesStarted = 0;
    quint64 ngPulseCycle = 0;
    // The stages of that cycle (bit d = stage d) whose NG the pulse without a length still stands
    // for: judged again OK in the same cycle (the trigger-safety input), a stage leaves it.
    quint32 ngPulseStages = 0;
    // Pulse mode: an NG's close pulse runs and keeps outputs 0 and 2 until its own end, or one
    // without a length keeps them until an OK of a later cycle, of the last stage it stands for,
    // Start or Stop clears them.
    bool NgPulseHolds() const;
    // The NG's pulse keeps outputs 0 and 2 against an OK of `stage` now (-1: against none): it
    // runs, or it has no length, no cycle started since it was given and it stands for a stage
    // of its cycle other than `stage` (the OK judges another stage of the NG's own cycle).
    bool NgPulseOutlastsOk(int stage = -1) const;
    void SlotManualTrig(int stage);
    // View v takes part in the cycle (laid out and built).
    bool Inspected(int v) const;
    // View v is judged in this cycle: inspected, or its camera was lost since the cycle started
    // (the camera recovery marks it; its result is NG until it delivers a frame again).
    bool Judged(int v) const;
    void MarkCycleNotOK(int v);
    // Views the cycle covers: one more than the highest inspected index.
    int MaxInspected() const;
    // Seconds left of stage d's delay (the views' countdown).
    float StageSeconds(int d) const { return stageClock.Seconds(d); }

    // --- the alarm state's ways in and out (mainwindow_states.cpp)
    // Every change of alarmState goes through here: entering the hold or an editing page hides
    // the side panel; leaving either shows it and the I/O strip again, and leaving the hold
    // re-arms the no-input watchdog.
    enum EditingPage { NoEditing, AreaPage, AccountPage, AlarmPicturePage, AreaCheckPage };
    void SetAlarmState(int to);
    void EnterEditing(EditingPage page);
    // End Set of the region page, and any option-bar press while the account state (which opens
    // no page) is on.
    void LeaveEditing();
    EditingPage editingPage = NoEditing;
    // The retrain after resampling's area check, or the shape rebuild of stage 1: done by the end
    // of the verdict display, or at once when no display will come.
    void ServeRetrain();
    // Inputs the pass cannot take now: their edges are dropped, never acted on later.
    void DropInputEdges(int from, int to);
    // Manual and simulated requests the pass cannot act on are dropped.
    // `keepRestart`: the restart of a stage that leaving a hold planned stays for the first pass
    // that can run it (a silent board or a lost camera only delay it: nothing else can end that
    // cycle, and no new one starts before it).
    void DropPendingRequests(bool keepRestart = false);
    // A stage that expired while the board was silent, or a cycle started while the cameras were
    // lost: held when the board or the cameras are back (the warning stays until the operator
    // confirms it, or the next verdict).
    int unjudgedStage = -1;
    void BoardBack();
    void ConfirmUnjudged();
    // The operator still owes the confirmation of a stage left unjudged or of the start-up hold:
    // nothing but it (or a verdict of a later cycle) releases the mould, End Set neither.
    bool ConfirmationOwed() const;
    void HoldUnjudged(const QString& text);
    // The start-up hold: the run before ended with a mould not yet judged (released by the
    // operator's confirm or the next cycle's final verdict), or the parameters were replaced by
    // the default copy (the mould-close inhibit kept until the operator confirms or restores a
    // parameter group). One warning with its confirm button, recorded; ConfirmUnjudged ends it.
    enum StartupHoldKind { NoStartupHold, MouldLeftUnjudged, ParametersReplaced };
    StartupHoldKind startupHold = NoStartupHold;
    QString startupHoldText;
    // Reads what the run before left, before detection starts (whose outputs depend on it).
    void ReadStartupHold();
    // The warning shown with its confirm button, without a record row.
    void ShowConfirmable(const QString& text);
    // A mould is held unjudged: a cycle open, a stage counting or waiting for its input, the alarm
    // hold, an unjudged-stage or lost-camera warning, the start-up hold.
    bool MouldUnjudged() const;
    // Stores MouldUnjudged in the mould state file when it changed (through the verdict writer: a
    // hold ahead of its queue, a release in order with the counts).
    void NoteMould();
    bool mouldNoted = false;
    // An inspection or an NG was counted since count.txt was last handed to the writer.
    bool countsUnwritten = false;
    // Hands count.txt over when a count was made since (the inspections just judged).
    void CountsMade();
    // A cycle start latched while the cameras were lost (its edge taken).
    bool CycleStartLatched();
    bool lostCycleStart = false;
    // The open cycle's later stage inputs latched while the cameras were lost (bit k = input k):
    // taken as the pass takes them, so they are acted on once the cameras are back.
    void KeepLostStageInputs();
    // Once the cameras are back: the kept inputs dropped when their cycle can no longer take them.
    void DropLostStageInputs();
    quint8 lostStageInputs = 0;
    // The loss sets the mould-close inhibit; the first time it does, what it took is noted for
    // the cameras' return: a release (output 0 clear while detecting) or a release pulse that ran.
    void HoldForLoss();
    bool lossHeld = false;
    // A camera loss or the unjudged-stage warning holds output 0: a pulse's end leaves it set.
    bool MouldHeldByLossOrWarning() const;
    // Resampling's area check is due or open and holds the mould until its answer.
    bool AreaCheckHoldsMould() const;
    bool lossTookRelease = false;
    bool lossCutPulse = false;
    // is_cut_ontime with a pulse length, not the NG-pulse mode: the inhibit stands between the
    // release pulses of the verdicts.
    bool ReleasePulseMode() const;
    // The cameras deliver again: an idle machine gets back what the loss took (a release, or a
    // release pulse cut short, whole; with release pulses the inhibit between them stays), unless
    // a cycle started meanwhile; stopped, the inhibit is the stop's.
    void CamerasBack(bool cycleStarted);
    // Detecting, no alarm hold, no stage of a cycle counting or waiting for its cameras.
    bool CycleIdle() const;
    // Not idle, and a verdict to come releases output 0 (a stage counting, the mould stage
    // awaited, a re-check, a held-back release, the area check, a hold or a warning).
    bool MouldVerdictOwed() const;
    // A cycle keeps the mould for a verdict still to come: a stage counting, awaited or to be
    // inspected again, or a release held back for a stage still counting.
    bool CycleOpen() const;
    // Resampling in the two-colour and turntable modes: a camera of the stage pair of d (0-1 or
    // 2-3) still has a template to take (always true in the other modes, where resampling ends
    // as a whole).
    bool PairStillSampling(int d) const;
    // The stage count changed since the cycle state was set up (a mode change, a mode-4 stage
    // count): the state that depends on it is reset, the pending manual request included; no
    // stage starts and no output changes until the next trigger. So is an open cycle whose
    // stages another input starts now (semi-automatic switched, a cavity or grid change): the
    // input it waits for may start nothing any more.
    void StageCountCheck();
    int cycleStages = -1;  // gDNum the cycle state belongs to
    quint64 cycleInputs = 0;  // TriggerWiring::StageInputs the cycle state belongs to
    // Takes camera v's newest frame into its work buffer; measures its frame interval.
    bool TakeNewFrame(int v);
    // The newest frame of camera v is too old to be judged.
    bool FrameTooOld(int v) const;
    // Camera v's judged picture is of now: its last verdict had a picture and it still delivers.
    bool PictureCurrent(int v) const;
    bool judgedNoPicture[MAX_CAMERA] = {};  // the camera's last verdict found no picture
    qint64 frameIntervalMs[MAX_CAMERA] = {};  // smoothed interval between frames, 0 unknown
    // The last stage was judged OK while another stage of the cycle still counted: the mould is
    // released by the verdict that leaves no stage pending.
    bool releaseDue = false;
    // That verdict's release, with the release pulse it held back.
    void ReleaseHeldBack();

    StageClock stageClock;          // stage delays in whole 100 ms ticks
    int side = 1;                   // modes 1, 2: 1 the first stage pair, 0 the second
    int lastInput = 0;              // trigger of the current inspection (k + 1, or -(stage + 1))
    int shownDetect = 0;
    qint64 ngTime = 0;              // UTC ms of the last NG verdict
    int reCheckCount[MAX_DETECT] = {};
    // Picture state per camera and stage: 1 after a cycle start, 2 OK picture ready, 3 NG picture
    // held by the alarm, 4-6 cleared by the operator, 7/8 re-detection, 9 NG ready, 10 both ready.
    int failPicState[MAX_CAMERA][MAX_DETECT] = {};
    // How the last alarm hold was released (type 20): 4 not detected, 5 taken as a template,
    // 7 while a re-check runs, 8 the re-check was OK; 0 from the hold's entry until a release step.
    int releaseMethod = 0;
    bool stageCountFlag[MAX_DETECT] = {};
    bool allCountFlag[MAX_CAMERA] = {};   // gAllNum counts the camera once per cycle
    bool failCountFlag[MAX_CAMERA] = {};  // gFailNum likewise
    bool stageInspected[MAX_CAMERA][MAX_DETECT] = {};
    bool cycleLost[MAX_CAMERA] = {};      // see Judged()
    bool captureFlag[MAX_CAMERA][MAX_DETECT] = {};  // resampling: the stage's next picture becomes its template
    qint64 lastFrameMs[MAX_CAMERA] = {};  // cycle clock at each camera's newest frame
    int frameSeen[MAX_CAMERA] = {};       // frame counter seen by the last frame watch
    int runPasses = 0;              // passes since start-up or the last camera recovery
    quint32 imageTriggerSet = 0;    // cameras that delivered a frame since the last image trigger
    int lastDelay = 0;              // the dispatch's last delay, tenths
    bool heartbeatOn = false;
    int demoIndex = 0;
    qint64 lastPassEndMs = 0;       // cycle clock at the end of the last pass
    qint64 longestPassGapMs = 0;    // longest delay of a pass beyond its 3 ms since the last verdict
    SaveFialImageThread* pictureWriter = nullptr;
    // count.txt and the statistics commits of the verdicts, written off the GUI thread.
    VerdictWriter* verdictWriter = nullptr;
    // Monotonic ms of the cycle (frame ages); set by the start-up, tests may replace it.
    std::function<qint64()> cycleClockMs;
    // Local date and time of the record, its day and the statistics day; tests may replace it.
    std::function<QDateTime()> wallClock;
    QDateTime WallNow() const { return wallClock ? wallClock() : QDateTime::currentDateTime(); }
    qint64 EpochMs() const { return WallNow().toMSecsSinceEpoch(); }
    // Simulated camera views (tests): the views 0 .. simulatedViews - 1 are inspected, and each
    // inspection takes its result from simulatedPicture: 0 OK, 1 NG, 2 no picture.
    int simulatedViews = 0;
    std::function<int(int camera, int stage)> simulatedPicture;
    // The lost cameras' recovery the cycle calls while gisLost is set (CameraRestart); tests
    // without a camera make stand for it.
    std::function<void()> restartCameras;

    // Child screens.
    SystemSettingWidget* settingWidget = nullptr;
    OptionBar* optionBar = nullptr;
    RegiOption* regiOption = nullptr;
    AlarmOption* alarmOption = nullptr;
    TitleBar* titleBar = nullptr;
    ImageContainer* imageContainer = nullptr;
    CammerWidget* cammerWidget[MAX_CAMERA] = {};
    DrawROIWidget* drawROIWidget = nullptr;
    IOStatusWidget* ioStatusWidget = nullptr;
    IndexButton* indexButton = nullptr;
    WidgetChangeCamera* widgetChangeCamera = nullptr;
    CustomIONameWidget* customIONameWidget = nullptr;
    HardwareConfigurationWidget* hardwareConfigurationWidget = nullptr;
    QWidget* statisticsWidget = nullptr;  // the production statistics screen (StatisticsInit)
    QStackedWidget* mainStack = nullptr;    // 0 the views, 1 the settings screen
    QStackedWidget* optionStack = nullptr;  // 0 OptionBar, 1 RegiOption, 2 AlarmOption
    QPushButton* zoomInButton = nullptr;
    QPushButton* zoomOutButton = nullptr;
    QSound* alarmSound = nullptr;

    // Run and screen state.
    int runState = 1;       // 1 detecting, 2 resampling, 3 stopped
    int alarmState = 0;     // 0 normal, 1 verdict shown, 2 alarm hold, 3 an editing page open
    int displayState = 3;
    int userLevel = 0;      // 0 not logged in, 1 primary, 2 advanced
    int curDetect = 0;
    int multiDetect = 0;
    int manualDetect = 0;
    int simInput = -1;
    int repeatInput = -1;
    int restartDetect = -1;
    int safetyTrigger = 0;
    int reCheckFlag = 0;
    int reCheckStage = -1;  // the stage whose NG reCheckFlag inspects again
    quint32 detectMask[MAX_DETECT] = {};
    bool ngOutFlags[4] = {};
    bool rawCapture = false;
    bool cycleStarted = false;
    bool operatorCheck = false;
    bool lastVerdictNG = false;
    bool inputSampled[8] = {};
    bool warnShown = false;
    bool watchdogOffForReCheck = false;  // the pass stopped the no-input watchdog for a re-check
    int screenOff = 0;      // set while the backlight is off
    int cycleTime = 0;
    int cycleStart = 0;     // tenths of a second since the epoch
    int frameCount[MAX_CAMERA] = {};
    int frameShown[MAX_CAMERA] = {};
    int frameStill[MAX_CAMERA] = {};

    // View layout: cell size over the picture size and over the display area.
    float cellScaleX = 1.0f, cellScaleY = 1.0f;
    float viewScaleX = 1.0f, viewScaleY = 1.0f;
    float showScaleX = 1.0f, showScaleY = 1.0f;
    int viewCount = 0;      // 0 when one camera is open, else numCamera
    int selectedView = 0;   // the view shown alone, or numCamera for all
    int rememberedPage = 0;
    int rememberedSplit = 0;
    ViewZoom zoom;          // offsets, scale 1.0-32.0 and the zoom centre of the view shown alone
    int zoomToolMode = 0;   // 0 hidden, 1 zoom-in only, 2 zoom-in, zoom-out and fine-tuning pad
    QVector<QRgb>* grayTable = nullptr;

    // Directories: [camera][stage][0 NG, 1 OK] alarm pictures.
    QDir alarmDir[MAX_CAMERA][MAX_DETECT][2];
    QDir recordDir;
    QDir statisticsDir;
    // Seconds since 1970 whose local date names the statistics day (08:00 to 07:59).
    quint32 statisticsDay = 0;
    QString storedDay;

    // Database connections ("dbIn" PARAM.db, "dbRecord" RECORD.db, "dbT" SN.db).
    QSqlDatabase paramDb;
    QSqlQuery paramQuery;
    QSqlDatabase recordDb;
    QSqlDatabase serialDb;
    QSqlQuery serialQuery;

    OperationRecord record;
    DayRotation dayRotation;

    // Timers.
    QTimer* runTimer = nullptr;
    QTimer* stageTimer[MAX_DETECT] = {};
    QTimer* inputTimer[8] = {};
    QTimer* inputTimeoutTimer = nullptr;
    QTimer* showTimer = nullptr;
    QTimer* ngPulseTimer = nullptr;
    QTimer* closePulseTimer = nullptr;
    QTimer* ejectorPulseTimer = nullptr;
    QTimer* reserveTimer = nullptr;
    QTimer* tempTimer = nullptr;
    QTimer* alarmResetTimer = nullptr;
    QTimer* dayTimer = nullptr;
    QTimer* fpsTimer = nullptr;
    QTimer* hintTimer = nullptr;
    QTimer* zoomTimer = nullptr;
    QTimer* logoutTimer = nullptr;
    QTimer* lcdTimer = nullptr;

public slots:
    // Dispatchers of the option, region and alarm columns.
    void OptBtnsToggledSlot(OptionBar::BTN_TYPE type, bool checked);
    void RegionBtnsToggledSlot(RegiOption::BTN_TYPE type, bool checked);
    void AlarmtnsToggledSlot(AlarmOption::BTN_TYPE type, bool checked);
    void SlotChangeDetect(int stage);
    void SlotChangeCamera(int camera);
    void SlotChangeSource(int source);
    void SlotReturn();
    void SlotShowAlarmImgae();
    void SlotShowStatisticsWidget();

    // View layout, zoom and pan.
    void ChangeCammer();
    void cameraPramsAdjust(bool adjust);
    void setcontentLayout();
    void sysSettingWidgetAccept();
    void MEnlargeScale();
    void MReductionScale();
    void MRecovery();
    void SlotMoveT();
    void SlotMoveB();
    void SlotMoveL();
    void SlotMoveR();
    void MShowHide(int mode);
    void MHideAll();
    void MScale(int step);
    void SlotMove(int dx, int dy);
    void MTimerScale();

    // Day rotation.
    void SlotCheckDate();

    // The monitoring cycle and its timers (mainwindow_cycle.cpp).
    void Run();
    void TimerUp0();
    void TimerUp1();
    void TimerUp2();
    void TimerUp3();
    void TimerUp4();
    void TimerUp5();
    void TimerUp6();
    void TimerUp7();
    void TimerCheckInput0();
    void TimerCheckInput1();
    void TimerCheckInput2();
    void TimerCheckInput3();
    void TimerCheckInput4();
    void TimerCheckInput5();
    void TimerCheckInput6();
    void TimerCheckInput7();
    void InCheck();
    void TimerShow();
    void OutTimerOutNG();
    void OutTimerNotAllowClose();
    void OutTimerNotAllowThimble();
    void OutTimerReserveOutput();
    void CheckTemp();
    void SlotResetAlarm();
    void SlotFPS();
    void SlotDrawHint();
    void TimerLogout();
    void TimerLCD();

    // Run control (mainwindow_cycle.cpp).
    void SlotStartStop();
    // Lamp 4, the title bar and the start/stop button of detection running or stopped.
    void ShowDetecting(bool on);
    void SlotReTrain();
    void SlotAdjustArea();
    void SlotAccount();
    void SlotHelp();
    void SlotMuliManualTrig();
    void SlotManualTrig0();
    void SlotManualTrig1();
    // Simulated inputs: the next pass treats input k - 1 as triggered; pressed / released set and
    // clear bit k - 1 of the raw input word.
    void SlotSimulationTrigIn1();
    void SlotSimulationTrigIn2();
    void SlotSimulationTrigIn3();
    void SlotSimulationTrigIn4();
    void SlotSimulationTrigIn5();
    void SlotSimulationTrigIn6();
    void SlotSimulationTrigIn7();
    void SlotSimulationTrigIn8();
    void SlotPressedTrigIn1();
    void SlotPressedTrigIn2();
    void SlotPressedTrigIn3();
    void SlotPressedTrigIn4();
    void SlotReleasedTrigIn1();
    void SlotReleasedTrigIn2();
    void SlotReleasedTrigIn3();
    void SlotReleasedTrigIn4();
    void SlotNewUser();
    void SlotNewUserLastStep();
    void SlotSystemPara();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OpenDatabases();
    void CreateTimers();
    void CreateZoomButtons();
    void CreateDirectories();
    void CameraCountCheck();
    void LoadDay();
    void BuildLayout();
    void ConnectBars();
    void InstallHosts();
    // The cycle's share of the start-up (mainwindow_cycle.cpp): picture slots and writer.
    void InitCycle();
    void InitFailSafe();
    // Production statistics (mainwindow_statistics.cpp): store and screen at start-up, the day
    // change, the counts of a final verdict.
    void StatisticsInit();
    void StatisticsDayCheck();
    void CountStatistics(bool ng);
    // Cycle steps (mainwindow_cycle.cpp, mainwindow_verdict.cpp, mainwindow_runcontrol.cpp).
    bool ActOnInput(int k, bool* newFrame);
    void CycleStart(int k);
    void PreCut(int d);
    void ApplyOutputs(const OutputPlan& plan);
    void Pictures(int camera, bool final, int s);
    // False when the picture writer could not keep one of them (it is behind on its disk).
    bool HandOverPictures(bool holdOver);
    // RunAlgorithm's three steps (mainwindow_verdict.cpp): what comes before the engine (returns
    // the stage in force, or -1 when the camera is done), the engine alone (safe on a worker
    // thread, one camera a thread), then the camera's share of the verdict.
    int BeforeInspection(int camera, int stage, bool* stale, bool prune, bool named = false);
    void Inspect(int camera, int d);
    void AfterInspection(int camera, int d, bool stale);
    QThreadPool* inspectionPool = nullptr;
    void SetRawInput(int bit, bool on);
    void ShowHideTool(int view, int mask);
    void Repaint();
};
