#include "common/cyclesim.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QMutexLocker>
#include <QThread>
#include <QStackedWidget>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <deque>
#include <set>
#include <sstream>

#include "common/cyclewindow.h"
#include "common/virtualdispatcher.h"
#include "common/windowworld.h"
#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/alarmoption.h"
#include "mainscreen/regioption.h"
#include "settings/settingschange.h"
#include "settings/settingshost.h"
#include "statistics/temperaturealarm.h"
#include "statistics/resstatisticsparam.h"
#include "vision/board/controlport.h"
#include "vision/board/iothread.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "vision/controller/triggerwiring.h"
#include "vision/records/counters.h"
#include "vision/records/verdictwriter.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"
#include "widgets/warnbox.h"

namespace cyclesim {

namespace {

// What the cycle looked like before a step, for the checks that compare.
struct Snapshot {
    int words[64];
    bool operator==(const Snapshot& o) const { return std::memcmp(words, o.words, sizeof words) == 0; }
};

// Waiting: ended unjudged under a state that holds the mould and tells the operator (the alarm
// hold, the region page, the unjudged-stage warning); it keeps the mould until a verdict judges it
// or the operator's answer (the confirmation, Stop/Start, Resample, the hold's end) releases it.
enum Stage { Idle, Started, JudgedOk, JudgedNg, Held, Waiting };

class Engine;
Engine* gEngine = nullptr;
QtMessageHandler gPrevious = nullptr;

void OnMessage(QtMsgType type, const QMessageLogContext& ctx, const QString& text);

constexpr int kUnderBox = 8;

class Engine {
public:
    Engine(const Config& c, const std::vector<Event>& events) : c_(c), ev_(events) {}

    Result Go()
    {
        Setup();
        while (next_ < ev_.size() && !halt_) {
            const size_t at = next_++;
            Apply(ev_[at], int(at));
        }
        // Whatever the last event left is run out: the cycle must come to rest in a sound state,
        // with every camera lost on the way back.
        if (!halt_) {
            for (bool& l : lost_)
                l = false;
            Unpark();
            Advance(vd_->Now() + 15000, int(ev_.size()));
            StartDueCheck(int(ev_.size()));
        }
        Teardown();
        res_.virtualMs = vd_->Now() - start_;
        return res_;
    }

    void Message(const QString& text)
    {
        if (QThread::currentThread() != qApp->thread())
            return;
        if (trace_)
            std::fprintf(stderr, "      [t=%lld] %s\n", static_cast<long long>(vd_->Now() - start_), qPrintable(text));
        log_.push_back(text.toStdString());
        if (log_.size() > 24)
            log_.pop_front();
        if (halt_)
            return;
        int d = 0;
        if (text.startsWith("stage ") && text.contains(" ms started at ")) {
            d = text.mid(6).section(' ', 0, 0).toInt() - 1;
            OnStart(d);
        } else if (text.startsWith("verdict stage ")) {
            d = text.mid(14).section(' ', 0, 0).toInt() - 1;
            OnVerdict(d, text.section(' ', 3, 3) == "NG");
        } else if (text.startsWith("stage count ") && text.contains(" -> ")) {
            countReset_ = true;
            OnStageCount(text.mid(12).section(' ', 0, 0).toInt(), text.section(' ', 4, 4).section(':', 0, 0).toInt());
        } else if (text.startsWith("stage inputs changed")) {
            countReset_ = true;
        } else if (text.startsWith("warning shown: ") && countReset_ && win_->unjudgedStage >= 0 && Out0() == 0 &&
                   !win_->boardSilent && win_->runState != 3) {
            // The warning of a stage the stage-count change left unjudged asks to confirm the
            // mould's release: the mould is held when it appears.
            Fail(step_, "warning without hold",
                 "the warning of stage " + StageText(win_->unjudgedStage) +
                     " left unjudged by the stage-count change asks to confirm the release of a mould not held");
        }
    }

private:
    Config c_;
    const std::vector<Event>& ev_;
    size_t next_ = 0;
    Result res_;
    MainWindow* win_ = nullptr;
    VirtualDispatcher* vd_ = nullptr;
    qint64 start_ = 0;
    int pic_[MAX_CAMERA] = {};
    bool lost_[MAX_CAMERA] = {};
    bool parked_ = false;
    bool boardDead_ = false;
    bool halt_ = false;
    const bool keepGoing_ = !qEnvironmentVariableIsEmpty("MOULDMON_CYCLESIM_ALL");
    Event operating_;  // the operator's event that runs
    bool countReset_ = false;  // a stage-count change reset the cycle since the last check
    std::string lastBox_;
    int lastBoxStep_ = -100;
    int settingsRound_ = 0;
    int depth_ = 0;
    int step_ = 0;
    std::set<QObject*> fired_;
    std::vector<char> ops_;         // the operator actions running, innermost last
    std::vector<int> opHold_;       // the hold each of them began in
    int hold_ = 0;                  // holds entered so far
    int lastAlarm_ = 0;
    int lastCycleStart_ = 0;
    quint64 lastCyclesStarted_ = 0;  // a second start in the same tenth has the same start tenth
    Stage st_[MAX_DETECT] = {};
    int serves_[MAX_DETECT] = {0, 1, 2, 3, 4, 5, 6, 7};
    bool again_[MAX_DETECT] = {};
    bool pulseEnded_ = false;
    long doorActs_ = 0;  // the safety door's acts seen so far
    int out0AfterBoxes_ = -1;  // output 0 as the operator's event began, or as its last box closed
    // An edge of the cycle-start input taken while the cycle was idle: a stage starts by `by`.
    struct StartDue {
        bool on = false;
        qint64 by = 0;
        int step = 0;
        long starts = 0;
    } startDue_;
    int seen0_ = -1;   // input 0's level as the last pass that surely read it saw it; -1 unknown
    long starts_ = 0;                 // stage starts so far
    long startNo_[MAX_DETECT] = {};   // the start each stage is in
    bool opFromStop_ = false;         // the operator's action began with detection stopped
    bool pulseInCycle_ = false;       // a verdict of the cycle gave a release pulse
    bool earlierNgStands_ = false;    // an earlier cycle's NG pulse without a length, not ended yet
    bool okFinalStep_ = false;  // a final OK in this step
    bool okClosed_ = false;     // ... that judged a started stage
    // Output 0 as the checks saw it last, since when it has been clear, and the last verdict.
    int seenOut0_ = 0;
    qint64 clearSince_ = 0;
    qint64 lastVerdictAt_ = -1;
    bool lastVerdictReleases_ = false;  // a final OK: its release pulse is due
    // With is_cut_ontime: output 0 set with no cycle open is a release pulse's end (clear for its
    // full length after the last verdict) or the inhibit of Start or Resample from a stop.
    bool setByPulse_ = true;
    // Final verdicts the simulation saw, per stage, and the statistics store's totals at the start.
    long seenOk_[MAX_DETECT] = {};
    long seenNg_[MAX_DETECT] = {};
    long baseOk_[MAX_DETECT] = {};
    long baseNg_[MAX_DETECT] = {};
    QString statDate_;
    // A camera loss noticed through CameraCheck: the make it stands for while it runs.
    bool checkingCamera_ = false;
    int cameraMake_ = CAMERA_NONE;
    std::deque<std::string> log_;
    const bool trace_ = !qEnvironmentVariableIsEmpty("MOULDMON_CYCLESIM_TRACE");

    // --- set-up

    void Setup()
    {
        cyclewindow::Window& w = cyclewindow::W();
        win_ = w.win;
        vd_ = VirtualDispatcher::Instance();
        // Nothing runs beside the simulation: no timer but those it delivers, no board or writer.
        w.world->Quiet();
        DeliverQueued();
        start_ = vd_->Now();
        VirtualDispatcher* vd = vd_;
        const qint64 base = QDateTime(QDate(2026, 3, 2), QTime(10, 0)).toMSecsSinceEpoch();
        const qint64 start = start_;
        win_->stageClock.now = [vd] { return vd->Now(); };
        win_->cycleClockMs = [vd] { return vd->Now(); };
        win_->wallClock = [vd, base, start] { return QDateTime::fromMSecsSinceEpoch(base + vd->Now() - start); };
        win_->record.clock = win_->wallClock;
        // The board thread's watch, kept by the simulation: a board that answers replies before
        // every pass.
        if (BoardWatch* watch = Watch()) {
            watch->clock = [vd] { return vd->Now(); };
            watch->Replied();
        }
        win_->simulatedViews = c_.cameras;
        win_->simulatedPicture = [this](int camera, int) { return camera >= 0 && camera < MAX_CAMERA ? pic_[camera] : 0; };
        gPicNumNG = gPicNumOK = 0;  // pictures are not the subject: none is drawn or stored
        // What a run before left in the cycle beside what the world restores: every run starts
        // from the same idle cycle, alone or in a campaign.
        win_->openCycle.Reset();
        for (int& d : win_->stageStartedAs)
            d = -1;
        win_->ngPulseRunning = false;
        win_->ngPulseEndless = false;
        win_->ngPulseStages = 0;
        win_->lossHeld = win_->lossTookRelease = win_->lossCutPulse = false;
        win_->editingPage = MainWindow::NoEditing;
        win_->reCheckStage = -1;
        win_->lastInput = 0;
        win_->cycleStarted = false;
        win_->displayState = 3;
        win_->lastDelay = 0;
        win_->imageTriggerSet = 0;
        for (bool& f : win_->ngOutFlags)
            f = false;
        for (quint32& m : win_->detectMask)
            m = 0;
        gisReTrain = gisReShape = 0;
        ApplyConfig();
        win_->StageCountCheck();  // the new stage count's reset, before any request
        setModalHook([this](QDialog& d) { return Modal(d); });
        gEngine = this;
        gPrevious = qInstallMessageHandler(OnMessage);
        win_->StartDetect();
        win_->userLevel = 0;
        win_->unjudgedStage = -1;
        win_->boardSilent = false;
        win_->releaseDue = false;
        win_->startupHold = MainWindow::NoStartupHold;
        if (c_.leftUnjudged) {
            // The run before ended with a mould not judged: held until a verdict or the confirm.
            win_->startupHold = MainWindow::MouldLeftUnjudged;
            win_->startupHoldText = QStringLiteral("mould left unjudged");
            win_->unjudgedStage = 0;
            gpControlIO->IOSetOut(0, 1);
            gpControlIO->IOFlashOut();
        }
        gFromTrain = 0;
        gisTempAlarm = 0;
        gisLost = false;
        gisSafeDoorOpen = false;
        win_->restartCameras = [this] { RestartCameras(); };
        win_->runTimer->start(3);
        lastCycleStart_ = win_->cycleStart;
        lastCyclesStarted_ = win_->cyclesStarted;
        lastAlarm_ = win_->alarmState;
        countReset_ = false;
        seenOut0_ = Out0();
        clearSince_ = vd_->Now();
        if (ResStatisticsParam* store = gpResStatisticsParam) {
            statDate_ = store->getCurDate();
            StoreCounts(baseOk_, baseNg_);
        }
    }

    // The statistics store's totals of the day, per stage.
    static void StoreCounts(long* ok, long* ng)
    {
        const ResStatisticsParam* store = gpResStatisticsParam;
        for (int d = 0; d < MAX_DETECT; ++d) {
            ok[d] = ng[d] = 0;
            if (!store || d >= ResStatisticsParam::kStages)
                continue;
            for (int n : store->okTotalOf(d))
                ok[d] += n;
            for (int n : store->ngTotalOf(d))
                ng[d] += n;
        }
    }

    // The camera supervision notices a camera gone: CameraCheck as for a make with cameras (the
    // simulated views have none), its record, inhibit, views marked not OK and its warning.
    void LoseCamera(int view)
    {
        if (gisLost)
            return;  // CameraCheck changes nothing then
        cameraMake_ = gCameraID;
        gCameraID = CAMERA_V4L2;
        checkingCamera_ = true;
        CameraCheck(view);
        CameraChecked();
    }

    // Once CameraCheck has decided (its warning is open or it returned) the make is none again.
    void CameraChecked()
    {
        if (!checkingCamera_)
            return;
        gCameraID = cameraMake_;
        checkingCamera_ = false;
    }

    // CameraRestart for the simulated views: back once no camera is lost any more, then what it
    // does when the count matches (the views have no camera to reopen).
    void RestartCameras()
    {
        for (int v = 0; v < c_.cameras; ++v)
            if (lost_[v])
                return;
        gisLost = false;
        CameraHost* host = cameraHost();
        host->hideWarnBox();
        host->insertRecord(QStringLiteral("Camera Restart"));
        for (int k = 0; k < c_.cameras; ++k)
            host->clearFrameCount(k);
    }

    void Teardown()
    {
        qInstallMessageHandler(gPrevious);
        gEngine = nullptr;
        // Nothing is asked once the run is over (a box run for real would wait for ever here).
        setModalHook([](QDialog&) { return int(QDialog::Rejected); });
        for (QTimer* t : win_->findChildren<QTimer*>())
            t->stop();
        win_->simulatedViews = 0;
        win_->simulatedPicture = nullptr;
        win_->boardSilent = false;
        win_->unjudgedStage = -1;
        win_->startupHold = MainWindow::NoStartupHold;
        gFromTrain = 0;
        gisTempAlarm = 0;
        CameraChecked();
        gisLost = false;
        win_->restartCameras = nullptr;
        for (bool& l : win_->cycleLost)
            l = false;
        win_->stageClock.now = [vd = vd_] { return vd->Now(); };
        if (BoardWatch* watch = Watch()) {
            watch->clock = nullptr;
            watch->Replied();
            watch->Supervise(0);
        }
        win_->StartDetect();
        DeliverQueued();
    }

    void ApplyConfig()
    {
        WizardPara& p = *gpWPara;
        p.io_mode = c_.ioMode;
        p.io_mode_chosen = c_.ioMode;
        p.io_sub_mode = c_.subMode;
        p.stage_count = c_.stages;
        for (int d = 0; d < 8; ++d) {
            p.stage_delay[d] = d < 4 ? c_.delay[d] : 0;
            p.stage_source[d] = d < c_.stages ? d : -1;
            p.stage_input_choice[d] = d;
            p.stage_link[d] = 0;
        }
        p.semi_auto = c_.semiAuto;
        p.first_stage_on = c_.firstStageOn;
        p.pre_cut = c_.preCut;
        p.no_close_inhibit_at_start = c_.noCloseAtStart;
        p.enable_trigger_safety = c_.safety;
        p.ng_pulse_mode = c_.ngPulse;
        p.is_cut_ontime = c_.cutOnTime;
        p.mold_pulse = c_.moldPulse;
        p.is_cut_ontime_thimble = c_.cutOnTimeThimble;
        p.thimble_pulse = c_.thimblePulse;
        p.enable_stop_not_alarm = c_.stopNotAlarm;
        p.enable_stop_mold = c_.stopMold;
        p.input_timeout_len = c_.watchdog;
        p.is_psw_used = c_.password;
        p.enable_pass_protect = c_.password;
        p.enable_disarm_before_open = 0;
        p.input_debounce = c_.debounce;
        p.image_trigger = 0;
        p.template_auto_update = 0;
        p.auto_region_prompt = 0;
        p.location_level = 0;
        p.auto_cancel_timelen = 0;
        p.cnt_net_enabled = 0;
        DeriveRunMode(p);
        p.front_auto_check_time = c_.reCheck;
        *gpWParaBak = p;
        {
            QMutexLocker lock(pMutexIO);
            gDataIn = 0;
        }
        for (int k = 0; k < 16; ++k)
            gpControlIO->IOInTrigger(k);
    }

    // --- the events

    void Apply(const Event& e, int at)
    {
        step_ = at;
        int out0 = -1;
        Blocks block;
        int opHold = hold_;
        if (trace_)
            std::fprintf(stderr, "%*s#%d %s (t=%lld out0=%d alarm=%d run=%d unjudged=%d lost=%d warn=%d)\n", depth_ * 2, "", at, EventText(e).c_str(),
                         static_cast<long long>(vd_->Now() - start_), Out0(), win_->alarmState, win_->runState,
                         win_->unjudgedStage, int(gisLost), int(win_->warnShown));
        ++res_.events;
        StartDueCheck(at);
        if (e.kind != 'w' && e.kind != 'p')
            startDue_.on = false;  // something else may take the edge or hold the cycle
        switch (e.kind) {
        case 'w':
            Advance(vd_->Now() + std::max(e.a, 0), at);
            return;
        case 'i':
            if (e.a == 1 && e.b && gpWPara->enable_trigger_safety) {
                // The safety input inspects the last stage again, also after its verdict.
                const int last = TriggerWiring::LastStage(*gpWPara, gDNum);
                again_[last] = true;
                if (gpWPara->io_mode == 1 || gpWPara->io_mode == 2)
                    again_[last + 2] = true;
            }
            if (e.a >= 0 && e.a < 8) {
                bool rises = false;
                {
                    QMutexLocker lock(pMutexIO);
                    rises = e.b && !(gDataIn & (1u << e.a));
                    if (e.b)
                        gDataIn |= 1u << e.a;
                    else
                        gDataIn &= ~(1u << e.a);
                }
                // An edge only where the port's edge rule sees one: low at the last pass that read it.
                if (rises && e.a == 0 && seen0_ == 0 && depth_ == 0 && CycleIdle()) {
                    startDue_.on = true;
                    startDue_.by = vd_->Now() + gpWPara->input_debounce * 100 + 20;
                    startDue_.step = at;
                    startDue_.starts = starts_;
                }
            }
            break;
        case 'p':
            if (e.a >= 0 && e.a < c_.cameras)
                pic_[e.a] = e.b;
            break;
        case 'l':
            if (e.a >= 0 && e.a < c_.cameras) {
                lost_[e.a] = e.b;
                if (e.b)
                    LoseCamera(e.a);
            }
            break;
        case 'H':
        case 'h':
            // The statistics screen's temperature judgement; its check runs every 5 s.
            gisTempAlarm = e.kind == 'H' ? 1 : 0;
            if (!win_->tempTimer->isActive())
                win_->tempTimer->start(5000);
            break;
        case 'a':
            return;  // no box open: nothing to answer
        default:
            if (depth_ > 0 && e.kind != 'L' && e.kind != 'b' && e.kind != 'B')
                return;  // a button under the open box
            out0 = Out0();
            block = BlockingSet();
            opHold = hold_;
            opFromStop_ = win_->runState == 3;
            if (depth_ == 0)
                out0AfterBoxes_ = out0;
            operating_ = e;
            Operate(e.kind);
            DeliverQueued();
        }
        Unpark();
        CheckStep(at, out0, block, e.kind, opHold);
    }

    // The bar that shows the button: 0 the option bar, 1 the region page's, 2 the alarm page's.
    static int BarOf(char kind)
    {
        switch (kind) {
        case 'E': return 1;
        case 'D':
        case 'N':
        case 'T':
        case 'I': return 2;
        case 'M':
        case 'P': return 0;
        default: return -1;
        }
    }

    void Operate(char kind)
    {
        const int bar = BarOf(kind);
        if (bar >= 0 && win_->optionStack->currentIndex() != bar)
            return;  // the button is not on the screen
        ops_.push_back(kind);
        opHold_.push_back(hold_);
        switch (kind) {
        case 'R': win_->OptBtnsToggledSlot(OptionBar::BTN_RESAMPLE, true); break;
        case 'E': win_->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true); break;
        case 'S': win_->OptBtnsToggledSlot(OptionBar::BTN_START_STOP, true); break;
        case 'M': win_->SlotManualTrig1(); break;
        case 'P': win_->SlotManualTrig0(); break;
        case 'D': win_->AlarmtnsToggledSlot(AlarmOption::BTN_RECHECK, true); break;
        case 'N': win_->AlarmtnsToggledSlot(AlarmOption::BTN_DONT_DETECT, true); break;
        case 'T': win_->AlarmtnsToggledSlot(AlarmOption::BTN_ADD_TEMP, true); break;
        case 'I': win_->AlarmtnsToggledSlot(AlarmOption::BTN_IGNORE_POINT, true); break;
        case 'L': win_->TimerLogout(); break;
        case 'b':
            // It answered up to now (the passes left out would have seen its replies).
            if (BoardWatch* watch = Watch(); watch && !boardDead_)
                watch->Replied();
            boardDead_ = true;
            break;
        case 'B': boardDead_ = false; break;
        case 'C': win_->ConfirmUnjudged(); break;
        case 'G': AcceptSettings(); break;
        case 'g': AcceptThroughPages(operating_.a, operating_.b); break;
        }
        ops_.pop_back();
        opHold_.pop_back();
    }

    // The settings screen accepted with other delays, and another sub-mode (modes 1 and 2) or
    // stage count (mode 4): the record in force replaced and derived as a settings accept does.
    void AcceptSettings()
    {
        WizardPara& p = *gpWPara;
        ++settingsRound_;
        for (int d = 0; d < 4; ++d)
            p.stage_delay[d] = (c_.delay[d] + 7 * settingsRound_ * (d + 1)) % 40;
        if (p.io_mode == 1 || p.io_mode == 2)
            p.io_sub_mode = (c_.subMode + settingsRound_) % 3;
        if (p.io_mode == 4) {
            p.stage_count = 2 + (c_.stages - 2 + settingsRound_) % 3;
            for (int d = 0; d < 8; ++d)
                p.stage_source[d] = d < p.stage_count ? d : -1;
        }
        DeriveRunMode(p);
        p.front_auto_check_time = c_.reCheck;
        *gpWParaBak = p;
    }

    // The views the settings host clears the cycle state of: the simulated ones.
    struct SimSettingsHost : SettingsHost {
        int views = 1;
        int cameraCount() const override { return views; }
    };

    // The settings screen accepted through its I/O mode step with mode `mode` chosen and
    // semi-automatic `semi`; in mode 4 kept, the stage count steps as with 'G'.
    void AcceptThroughPages(int mode, bool semi)
    {
        WizardPara edited = *gpWPara;
        edited.io_mode_chosen = mode;
        edited.semi_auto = semi ? 1 : 0;
        if (mode == 4 && edited.io_mode == 4) {
            edited.stage_count = 2 + (edited.stage_count - 1) % 3;
            for (int d = 0; d < 8; ++d)
                edited.stage_source[d] = d < edited.stage_count ? d : -1;
        }
        SimSettingsHost host;
        host.views = c_.cameras;
        IoModeStep(edited, gpWPara->io_mode, host);
        *gpWPara = edited;
        *gpWParaBak = edited;
    }

    int Modal(QDialog& d)
    {
        CameraChecked();
        ++depth_;
        bool answer = false;
        // A box opened under a box that is itself opened under a box is answered at once.
        // The machine goes on under the box (at most kUnderBox events); the operator's buttons
        // are covered by it.
        if (depth_ <= 3) {
            for (int under = 0; next_ < ev_.size() && !halt_; ++under) {
                const size_t at = next_++;
                if (ev_[at].kind == 'a') {
                    answer = ev_[at].b;
                    break;
                }
                if (under >= kUnderBox) {
                    --next_;  // left for after the box: it is refused
                    break;
                }
                Apply(ev_[at], int(at));
            }
        }
        --depth_;
        if (depth_ == 0)
            out0AfterBoxes_ = Out0();
        lastBoxStep_ = int(next_ > 0 ? next_ - 1 : 0);
        lastBox_ = std::string(d.metaObject()->className()) + (answer ? " yes" : " no") + " at event " +
                   std::to_string(lastBoxStep_);
        if (dynamic_cast<PasswordBox*>(&d)) {
            if (answer)
                win_->userLevel = 1;
            return answer ? QDialog::Accepted : QDialog::Rejected;
        }
        if (dynamic_cast<WarnBox*>(&d))
            return QDialog::Accepted;
        return answer ? QDialog::Accepted : QDialog::Rejected;
    }

    // --- time

    // Calls queued to the GUI thread run when the step that queued them has returned, as the
    // event loop would run them before its next timer.
    void DeliverQueued() { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); }

    static BoardWatch* Watch()
    {
        IOThread* t = gpControlIO ? gpControlIO->thread() : nullptr;
        return t ? &t->watch : nullptr;
    }

    // What the board thread does between two passes: its reply (unless it is silent) and its
    // supervision. The passes the simulation left out (nothing changed) beat as they would have.
    void BoardReplies()
    {
        BoardWatch* watch = Watch();
        if (!watch)
            return;
        if (!boardDead_)
            watch->Replied();
        watch->Beat(win_->runState == 1 && !gisLost, 0);
        watch->Supervise(0);
    }

    bool Delivered(const VirtualDispatcher::Timer& t) const
    {
        QObject* o = t.object;
        MainWindow* w = win_;
        if (o == w->runTimer)
            return !parked_;
        for (QTimer* s : w->stageTimer)
            if (o == s)
                return true;
        for (QTimer* s : w->inputTimer)
            if (o == s)
                return true;
        return o == w->inputTimeoutTimer || o == w->showTimer || o == w->ngPulseTimer || o == w->closePulseTimer ||
               o == w->ejectorPulseTimer || o == w->reserveTimer || o == w->tempTimer || o == w->alarmResetTimer ||
               o == w->logoutTimer;
    }

    void Unpark()
    {
        parked_ = false;
        if (win_->runTimer->isActive()) {
            const VirtualDispatcher::Timer* t = vd_->Find(win_->runTimer->timerId());
            // The pass that would have come next on a machine that passes every 3 ms.
            if (t && t->due <= vd_->Now())
                vd_->SetDue(t->id, vd_->Now() + 1);
        }
    }

    void Advance(qint64 until, int at)
    {
        for (int guard = 0; !halt_; ++guard) {
            if (guard > 200000) {
                Fail(at, "livelock", "the timers never come to rest");
                return;
            }
            const VirtualDispatcher::Timer* t = vd_->Earliest([this](const VirtualDispatcher::Timer& x) { return Delivered(x); });
            if (!t || t->due > until)
                break;
            QObject* o = t->object;
            const bool run = o == win_->runTimer;
            const Snapshot before = Snap();
            const int out0 = Out0();
            const Blocks block = BlockingSet();
            ++res_.deliveries;
            ops_.push_back(run ? '.' : o == win_->closePulseTimer ? 'c' : 't');
            opHold_.push_back(hold_);
            if (run)
                BoardReplies();
            // What the port's edge rule last saw of input 0: a pass that reads the inputs sees the
            // level, one that cannot take them leaves it.
            const int reads0 = run ? PassReadsInputs() : 0;
            vd_->Fire(t->id);
            if (reads0 == 1)
                seen0_ = Level0();
            else if (reads0 == -1 && Level0() != seen0_)
                seen0_ = -1;
            DeliverQueued();
            ops_.pop_back();
            opHold_.pop_back();
            if (o == win_->closePulseTimer)
                pulseEnded_ = true;
            CheckStep(at, out0, block, run ? '.' : 't', hold_);
            pulseEnded_ = false;
            if (run) {
                parked_ = Snap() == before;
                if (parked_)
                    CheckAtRest(at);
            } else {
                Unpark();
            }
        }
        if (vd_->Now() < until)
            vd_->SetNow(until);
    }

    // --- what must hold

    int Out0() const { return gpControlIO->IOState(1, 0) ^ gpWPara->output_polarity[0]; }
    int Out2() const { return gpControlIO->IOState(1, 2) ^ gpWPara->output_polarity[2]; }

    Snapshot Snap() const
    {
        Snapshot s{};
        int i = 0;
        auto put = [&](int v) {
            if (i < 64)
                s.words[i++] = v;
        };
        for (int n = 0; n < 9; ++n)
            put(gpControlIO->IOState(1, n));
        put(win_->runState);
        put(win_->alarmState);
        put(win_->reCheckFlag);
        put(win_->reCheckStage);
        put(win_->simInput);
        put(win_->manualDetect);
        put(win_->restartDetect);
        put(win_->repeatInput);
        put(win_->curDetect);
        put(win_->side);
        put(win_->multiDetect);
        put(win_->unjudgedStage);
        put(win_->releaseDue);
        int sampled = 0;
        for (int k = 0; k < 8; ++k)
            sampled |= (win_->inputSampled[k] ? 1 : 0) << k | (win_->inputTimer[k]->isActive() ? 1 : 0) << (8 + k);
        put(sampled);
        for (int d = 0; d < 8; ++d)
            put(int(win_->detectMask[d]) | win_->reCheckCount[d] << 16);
        for (int d = 0; d < 8; ++d)
            put(win_->stageClock.Remaining(d) | (win_->stageClock.Running(d) ? 1 << 20 : 0));
        put(win_->warnShown);
        put(win_->inputTimeoutTimer->isActive());
        return s;
    }

    std::string StageText(int d) const { return std::to_string(d); }

    void Fail(int at, const std::string& key, const std::string& what)
    {
        if (halt_)
            return;
        std::string text = what;
        if (!lastBox_.empty() && at - lastBoxStep_ <= 10)
            text += " (a box shortly before: " + lastBox_ + ")";
        if (!res_.failed) {
            res_.failed = true;
            res_.step = at;
            res_.key = key;
            res_.what = text;
            std::string ctx;
            for (const std::string& l : log_)
                ctx += "    " + l + "\n";
            res_.context = ctx;
        } else if (res_.later.size() < 100) {
            res_.later.push_back(std::to_string(at) + ": " + text);
        }
        if (!keepGoing_) {
            halt_ = true;
            return;
        }
        // Going on: the stages of the failed cycle are forgotten.
        for (int d = 0; d < MAX_DETECT; ++d) {
            st_[d] = Idle;
            again_[d] = false;
        }
    }

    char Op() const { return ops_.empty() ? ' ' : ops_.back(); }

    void NewCycleCheck()
    {
        if (win_->cycleStart == lastCycleStart_ && win_->cyclesStarted == lastCyclesStarted_)
            return;
        lastCycleStart_ = win_->cycleStart;
        lastCyclesStarted_ = win_->cyclesStarted;
        for (Stage& s : st_) {
            // An NG's pulse without a length outlasts its cycle: a later cycle's OK ends it.
            earlierNgStands_ = earlierNgStands_ || (gpWPara->ng_pulse_mode && gpWPara->mold_pulse <= 0 && s == JudgedNg);
            if (s != Started && s != Waiting)
                s = Idle;
        }
        lastVerdictReleases_ = false;  // the next cycle's start may end the last one's release
        pulseInCycle_ = false;
    }

    bool AnyOpen() const
    {
        for (Stage s : st_)
            if (s == Started || s == Waiting)
                return true;
        return false;
    }

    void OnStart(int d)
    {
        if (d < 0 || d >= MAX_DETECT)
            return;
        NewCycleCheck();
        // In the paired modes timer j serves stage j of the pair in force.
        const int mode = gpWPara->io_mode;
        if ((mode == 1 || mode == 2) && d < 2)
            d += win_->side == 0 ? 2 : 0;
        serves_[TimerOf(d)] = d;
        startNo_[d] = ++starts_;
        if (st_[d] == Started && !Counting(d))
            Fail(step_, "never judged", "stage " + StageText(d) + " started again before its last start was judged");
        // A stage that waited for the operator and starts again is judged by its new start's verdict
        // (the wait ends with a verdict too).
        st_[d] = Started;
    }

    // The trigger-safety input fires the last stage of the count in force when a pass takes its
    // edge: an edge not yet taken when the count changes asks for the new last stage.
    void OnStageCount(int before, int after)
    {
        const WizardPara& p = *gpWPara;
        const int from = TriggerWiring::LastStage(p, before);
        const int to = TriggerWiring::LastStage(p, after);
        if (from < 0 || to < 0 || from >= MAX_DETECT || to >= MAX_DETECT || from == to || !again_[from])
            return;
        again_[to] = true;
        if ((p.io_mode == 1 || p.io_mode == 2) && to + 2 < MAX_DETECT)
            again_[to + 2] = true;
    }

    void OnVerdict(int d, bool ng)
    {
        if (d < 0 || d >= MAX_DETECT)
            return;
        NewCycleCheck();
        const WizardPara& p = *gpWPara;
        const int s = TriggerWiring::FoldedStage(p, d);
        // An OK is final whatever re-checks are left: they are for an NG.
        const bool final = win_->reCheckCount[s] <= 0 || !ng;
        const bool inHold = win_->alarmState == 2;
        // A snapshot, and the trigger-safety input (with the re-checks of its NG), judge again.
        if (win_->safetyTrigger)
            again_[d] = true;
        const bool asked = win_->lastInput < 0 || again_[d];
        if (final) {
            // A stage that waited for the operator: a verdict of a later start ends the wait. A
            // snapshot starts its stage when the pass takes the operator's request (a cycle of its
            // own), later than any stage that waits; the mould stage's judges the mould.
            const bool mouldSnapshot = win_->lastInput < 0 && s == TriggerWiring::LastStage(p, gDNum);
            for (int w = 0; w < MAX_DETECT; ++w)
                if (st_[w] == Waiting && (mouldSnapshot || startNo_[d] > startNo_[w]))
                    st_[w] = Held;
            ++(ng ? seenNg_ : seenOk_)[d];
            lastVerdictAt_ = vd_->Now();
            lastVerdictReleases_ = false;
            okFinalStep_ = okFinalStep_ || !ng;
            earlierNgStands_ = earlierNgStands_ && ng;
            okClosed_ = okClosed_ || (!ng && (st_[d] == Started || st_[d] == Waiting));
            // The OK of the mould stage (folded stage 1) gives the release pulse; the cycle's
            // release is that pulse also when another stage is judged after it.
            pulseInCycle_ = pulseInCycle_ || (!ng && p.io_mode != 4 && s == 1);
        }
        if (!final && ng)
            return;  // an NG that is inspected again: judged by the re-check
        again_[d] = false;
        if (st_[d] != Started && st_[d] != Waiting && !inHold && !asked && (st_[d] == JudgedOk || st_[d] == JudgedNg))
            Fail(step_, "judged twice",
                 "stage " + StageText(d) + " judged " + (ng ? "NG" : "OK") + " again in the same cycle (it was judged " +
                     (st_[d] == JudgedOk ? "OK" : "NG") + ")");
        if (inHold && !ops_.empty()) {
            const char op = ops_.back();
            if ((op == 'N' || op == 'D' || op == 'T' || op == 'I') && opHold_.back() != hold_)
                Fail(step_, "answer of another hold",
                     std::string(op == 'N' ? "Don't Detect" : op == 'D' ? "Re-detected" : op == 'T' ? "Add Template" : "Ignore point") +
                         " asked in one alarm hold judged the next one's mould");
        }
        if (inHold && !ng) {
            // The re-check's OK ends the hold: the NG it held is released with it.
            for (Stage& other : st_)
                if (other == JudgedNg || other == Waiting)
                    other = Held;
        }
        const bool noHold = ng && p.enable_stop_not_alarm && s == 0 && !p.ng_pulse_mode;
        st_[d] = ng && !noHold ? JudgedNg : JudgedOk;
    }

    // Stages that keep the mould: started and not judged yet, or judged NG and not released by
    // the operator, the machine's re-check or the end of an NG pulse.
    int TimerOf(int d) const
    {
        const int mode = gpWPara->io_mode;
        return (mode == 1 || mode == 2) ? (d & 1) : d;
    }

    // Stage d's delay still counts (its timer runs and serves it).
    bool Counting(int d) const
    {
        const int j = TimerOf(d);
        return win_->stageClock.Running(j) && serves_[j] == d;
    }

    // The stages whose verdict output 0 waits for. In the NG-pulse mode an OK clears output 0
    // whatever else counts (the pulse rules): only an NG's pulse keeps it. In mode 4 each stage
    // drives its own output and output 0 is the last stage's.
    struct Blocks {
        unsigned set = 0;
        long start[MAX_DETECT] = {};  // which start of each stage
        int out2 = 0;                 // the alarm output then
        long door = 0;                // the safety door's acts then
    };

    Blocks BlockingSet() const
    {
        const WizardPara& p = *gpWPara;
        Blocks b;
        for (int d = 0; d < MAX_DETECT; ++d)
            b.start[d] = startNo_[d];
        b.out2 = Out2();
        b.door = doorActs_;
        unsigned& set = b.set;
        for (int d = 0; d < MAX_DETECT; ++d) {
            // An NG's pulse sets output 0 whichever stage gave it.
            if (p.io_mode == 4 && d != gDNum - 1 && !(p.ng_pulse_mode && st_[d] == JudgedNg))
                continue;
            // Mode 4's output 0 is the last stage's own: it holds until that stage's verdict in
            // the NG-pulse mode too.
            if (((st_[d] == Started || st_[d] == Waiting) && (!p.ng_pulse_mode || p.io_mode == 4)) ||
                st_[d] == JudgedNg)
                set |= 1u << d;
        }
        return b;
    }

    // Of the stages in `before` (those that kept the mould when the step began), the same start:
    // a stage judged and started again in one pass (the next cycle) is another stage's start.
    bool Blocking(std::string* which, const Blocks& before) const
    {
        const Blocks now = BlockingSet();
        for (int d = 0; d < MAX_DETECT; ++d) {
            if ((before.set >> d) & (now.set >> d) & 1 && before.start[d] == now.start[d]) {
                *which = "stage " + StageText(d) +
                         (st_[d] == Started ? " not judged yet" : st_[d] == Waiting ? " ended unjudged, not released by the operator" : " judged NG");
                return true;
            }
        }
        return false;
    }

    void CheckStep(int at, int out0Before, const Blocks& blockBefore, char kind, int opHold)
    {
        if (halt_)
            return;
        const WizardPara& p = *gpWPara;
        NoteDoor();
        NewCycleCheck();
        StartDueCheck(at);
        if (startDue_.on && !CycleIdle())
            startDue_.on = false;  // held, stopped or busy since: the edge is not owed a start
        countReset_ = false;
        const bool holdLeft = lastAlarm_ == 2 && win_->alarmState != 2;
        if (win_->alarmState == 2 && lastAlarm_ != 2)
            ++hold_;
        lastAlarm_ = win_->alarmState;
        // The operator's Stop/Start, Resample and confirmation, and the end of the alarm hold,
        // release what waited for them; Stop Detection stops what still counts.
        const bool stopped = win_->runState == 3 && win_->alarmState != 2;
        if (kind == 'S' || kind == 'R' || kind == 'C' || holdLeft || stopped)
            for (Stage& s : st_)
                if (s == Waiting)
                    s = Held;
        for (int d = 0; d < MAX_DETECT; ++d) {
            if (st_[d] != Started || Counting(d))
                continue;
            if (stopped) {
                st_[d] = Held;
                continue;
            }
            // Ended unjudged under a state that keeps the mould and tells the operator: the
            // alarm hold, the unjudged-stage warning, resampling's area check (End Set judges).
            if (Told()) {
                st_[d] = Waiting;
                continue;
            }
            const bool reChecked = win_->reCheckFlag && win_->reCheckStage == d;
            if (!reChecked && depth_ == 0)
                Fail(at, "never judged", "stage " + StageText(d) + "'s delay ended without a verdict");
        }
        // A stage timer runs exactly while its stage counts.
        for (int d = 0; d < MAX_DETECT && !halt_; ++d)
            if (win_->stageTimer[d]->isActive() != win_->stageClock.Running(d))
                Fail(at, "timer", "stage " + StageText(d) + "'s timer " +
                                      (win_->stageTimer[d]->isActive() ? "runs without a tick to come" : "is idle while it counts"));
        // The operator's Start or Stop clears the outputs of an NG's pulse without a length, and
        // so does the confirmation that gives an idle machine's outputs (neither 0 nor 2 left).
        const bool startOrStop = (kind == 'S' || kind == 'R') && opFromStop_ != (win_->runState == 3);
        const bool confirmEnds =
            kind == 'C' && (out0Before == 1 || blockBefore.out2 == 1) && Out0() == 0 && Out2() == 0;
        if (startOrStop || confirmEnds)
            earlierNgStands_ = false;
        if (p.ng_pulse_mode && (pulseEnded_ || ((startOrStop || confirmEnds) && p.mold_pulse <= 0))) {
            for (Stage& s : st_)
                if (s == JudgedNg)
                    s = JudgedOk;  // the NG's pulse is over
        }
        // The operator's Start, Stop, Resample and confirmation release the mould on purpose;
        // Don't Detect and Re-detected the hold they were asked in.
        const char op = kind;
        const bool operatorRelease = op == 'S' || op == 'R' || op == 'C' ||
                                     ((op == 'N' || op == 'D' || op == 'T' || op == 'I') && opHold == hold_);
        // In the NG-pulse mode the alarm is the NG's pulse: it ends with the pulse, or (one
        // without a length) with a later cycle, not with another verdict of its own cycle. The
        // safety door lifts it too (outside modes 1 and 2), in the step in which it opens.
        const bool doorActed = doorActs_ != blockBefore.door;
        if (p.ng_pulse_mode && blockBefore.out2 == 1 && Out2() == 0 && !operatorRelease && !pulseEnded_ &&
            !doorActed && !halt_) {
            std::string which;
            if (Blocking(&which, blockBefore))
                Fail(at, "alarm ended early", "output 2 cleared while " + which);
        }
        if (out0Before == 1 && Out0() == 0 && !halt_) {
            std::string which;
            // (Mode 4: an NG's pulse ends for its own stage, not for the last stage still to come.)
            if (Blocking(&which, blockBefore) && !operatorRelease && !(p.ng_pulse_mode && pulseEnded_ && p.io_mode != 4))
                Fail(at, "released early", "output 0 released while " + which);
            // The unjudged-stage warning says its confirmation releases the mould: a Start or a
            // Resample after a stop that kept the mould does not, while the warning still asks.
            // (Only their own release, after their last box: the cycle goes on under their boxes by
            // its own rules.)
            else if ((kind == 'S' || kind == 'R') && win_->unjudgedStage >= 0 && out0AfterBoxes_ == 1)
                Fail(at, "released under the warning",
                     std::string("output 0 released by ") + (kind == 'S' ? "Start" : "Resample") +
                         " while the warning still asks for the confirmation");
        }
        // A pulse's end in the NG-pulse mode releases nothing that a camera loss or the
        // unjudged-stage warning still holds after the step.
        if (out0Before == 1 && Out0() == 0 && !halt_ && p.ng_pulse_mode && pulseEnded_ && !operatorRelease &&
            (win_->lossHeld || win_->unjudgedStage >= 0))
            Fail(at, "released under the warning",
                 std::string("a pulse's end released output 0 while ") +
                     (win_->lossHeld ? "the cameras are lost" : "the warning still asks for the confirmation"));
        TrackOut0(kind);
        CheckCounts(at);
    }

    // The safety door acted (it lifted the alarm) since the last look: the port marks each act in
    // gisSafeDoorOpen, which nothing else reads in the simulation's set-up (no disarming before
    // the door opens); the mark is taken so that the next act is seen too.
    void NoteDoor()
    {
        if (!gisSafeDoorOpen)
            return;
        gisSafeDoorOpen = false;
        ++doorActs_;
    }

    bool Told() const
    {
        return win_->alarmState == 2 || win_->unjudgedStage >= 0 || (win_->alarmState == 3 && gFromTrain) ||
               win_->startupHold != MainWindow::NoStartupHold;
    }

    // A release pulse: is_cut_ontime with a pulse length, not the NG-pulse mode.
    bool CutPulse() const
    {
        const WizardPara& p = *gpWPara;
        return p.is_cut_ontime && p.mold_pulse > 0 && !p.ng_pulse_mode;
    }

    // Follows output 0: when it went clear, whether a final OK released the cycle (its pulse
    // then due), and whether its last setting is a pulse's end or the Start's inhibit.
    void TrackOut0(char kind)
    {
        const int now0 = Out0();
        const qint64 now = vd_->Now();
        if (okFinalStep_ && pulseInCycle_ && ((seenOut0_ == 1 && now0 == 0) || (okClosed_ && !AnyOpen())))
            lastVerdictReleases_ = true;
        okFinalStep_ = okClosed_ = false;
        if (kind == 'S' || kind == 'R')
            lastVerdictReleases_ = false;  // the operator's own release or inhibit
        // Start and Resample from a stop set the inhibit with is_cut_ontime, the pulse mode too.
        const bool startInhibit = (kind == 'S' || kind == 'R') && opFromStop_ && win_->runState != 3;
        if (startInhibit && now0 == 1)
            setByPulse_ = true;
        if (now0 == seenOut0_)
            return;
        seenOut0_ = now0;
        if (now0 == 0) {
            clearSince_ = now;
            return;
        }
        setByPulse_ = startInhibit || pulseEnded_;
        if (lastVerdictReleases_ && now - std::max(clearSince_, lastVerdictAt_) >= qint64(gpWPara->mold_pulse) * 100)
            lastVerdictReleases_ = false;  // the pulse was given whole
    }

    // The statistics store counts each final verdict the simulation saw once, for its stage.
    void CheckCounts(int at)
    {
        const ResStatisticsParam* store = gpResStatisticsParam;
        if (!store || !store->isLoaded() || depth_ > 0 || halt_)
            return;
        long ok[MAX_DETECT], ng[MAX_DETECT];
        StoreCounts(ok, ng);
        if (store->getCurDate() != statDate_) {
            // A new statistics day starts from zeros.
            statDate_ = store->getCurDate();
            for (int d = 0; d < MAX_DETECT; ++d) {
                baseOk_[d] = ok[d] - seenOk_[d];
                baseNg_[d] = ng[d] - seenNg_[d];
            }
        }
        for (int d = 0; d < MAX_DETECT && !halt_; ++d) {
            const long gotOk = ok[d] - baseOk_[d], gotNg = ng[d] - baseNg_[d];
            if (gotOk != seenOk_[d] || gotNg != seenNg_[d]) {
                Fail(at, "counted wrong",
                     "the statistics count stage " + StageText(d) + " " + std::to_string(gotOk) + " OK and " +
                         std::to_string(gotNg) + " NG; its final verdicts were " + std::to_string(seenOk_[d]) + " OK and " +
                         std::to_string(seenNg_[d]) + " NG");
                baseOk_[d] = ok[d] - seenOk_[d];
                baseNg_[d] = ng[d] - seenNg_[d];
            }
        }
    }

    // Every inspection and NG counted is handed to count.txt when it is counted: none waits in
    // memory for a later verdict (a stage still to come, the area check's answer), which a stop,
    // a crash or a power cut would lose.
    void CheckCountsStored(int at)
    {
        // Nothing here holds the disk: a writer still busy after this long never lands its counts.
        if (win_->verdictWriter && !win_->verdictWriter->Flush(30000)) {
            Fail(at, "count only in memory", "the verdict writer did not finish within 30 s");
            return;
        }
        QFile f("count.txt");
        int all[MAX_CAMERA], fail[MAX_CAMERA];
        Counters::Parse(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), all, fail);
        for (int c = 0; c < MAX_CAMERA && !halt_; ++c)
            if (all[c] != gAllNum[c] || fail[c] != gFailNum[c])
                Fail(at, "count only in memory",
                     "camera " + std::to_string(c + 1) + " counted " + std::to_string(gAllNum[c]) + " inspections and " +
                         std::to_string(gFailNum[c]) + " NG; count.txt holds " + std::to_string(all[c]) + " and " +
                         std::to_string(fail[c]));
    }

    // Detection runs with no cycle to finish: no alarm hold, no area check open after resampling,
    // no stage counting its delay, no re-check or request due, the board and every camera there.
    // In the modes where input 0 starts the cycle and a stage of it, its edge starts that stage.
    bool CycleIdle() const
    {
        const WizardPara& p = *gpWPara;
        const MainWindow* w = win_;
        // Two-colour: input 0 opens the cycle, inputs 2 and 3 start its stages. Turntable: input 0
        // starts the first pair unless only input 3 starts cycles.
        const bool turntable = p.io_mode == 2 && p.io_sub_mode != 1;
        if (p.io_mode != 0 && p.io_mode != 3 && p.io_mode != 5 && !turntable)
            return false;
        if (!p.stage_enabled[0] && p.semi_auto)
            return false;  // input 0 opens the cycle, input 2 starts its stage
        if ((w->runState != 1 && w->runState != 2) || w->alarmState == 2)
            return false;
        // The area check keeps the cycle waiting for its answer only while it holds the mould: a
        // machine cycle of a free mould is to be taken.
        if (((w->alarmState == 3 && gFromTrain) || w->openCycle.AnyDeferred()) && Out0() == 1)
            return false;
        if (w->reCheckFlag || w->manualDetect != gDNum || w->simInput >= 0 || w->restartDetect >= 0)
            return false;
        if (w->boardSilent || boardDead_ || gisLost)
            return false;
        for (int v = 0; v < c_.cameras; ++v)
            if (lost_[v] || w->cycleLost[v])
                return false;
        for (int d = 0; d < MAX_DETECT; ++d)
            if (w->stageClock.Running(d))
                return false;
        return true;
    }

    int Level0() const
    {
        QMutexLocker lock(pMutexIO);
        return (gDataIn & 1u) ? 1 : 0;
    }

    // 1: the next pass reads input 0 (as the monitoring pass is written: a pass that no delay, re-check
    // or silent board keeps busy reads it); 0: it does not; -1: it may.
    int PassReadsInputs() const
    {
        const MainWindow* w = win_;
        if (gisLost || w->boardSilent != boardDead_ || w->manualDetect != gDNum || gpWPara->image_trigger)
            return -1;
        if (boardDead_)
            return 0;
        if (w->alarmState == 2 || w->runState == 3)
            return 1;
        if ((w->alarmState == 3 && gFromTrain) || (w->runState == 2 && w->openCycle.AreaCheckDue()))
            return -1;  // resampling's area check, due or open, holds the cycle its own way
        // A stage waiting for the area check's answer keeps the pass busy as a delay does (the
        // password box may have set detecting again while it is asked).
        if (w->reCheckFlag || w->openCycle.AnyDeferred())
            return 0;
        for (int d = 0; d < MAX_DETECT; ++d)
            if (w->stageClock.Running(d))
                return 0;
        return 1;
    }

    void StartDueCheck(int at)
    {
        if (!startDue_.on || halt_)
            return;
        if (starts_ != startDue_.starts) {
            startDue_.on = false;
            return;
        }
        if (vd_->Now() < startDue_.by)
            return;
        startDue_.on = false;
        Fail(at, "start dropped",
             "the edge of input 0 at event " + std::to_string(startDue_.step) +
                 " started no stage although detection ran with no cycle to finish");
    }

    void CheckAtRest(int at)
    {
        StartDueCheck(at);
        if (halt_ || depth_ > 0)
            return;
        const WizardPara& p = *gpWPara;
        MainWindow* w = win_;
        CheckCountsStored(at);
        if (halt_)
            return;
        // A re-check waiting for its pass always has a count left.
        // Under resampling's area check the re-check's verdict waits for End Set, not for a pass.
        if (w->reCheckFlag && w->alarmState != 2 && !gFromTrain) {
            const int st = w->reCheckStage >= 0 ? w->reCheckStage : w->curDetect;
            const int s = TriggerWiring::FoldedStage(p, st);
            if (s < 0 || s >= MAX_DETECT || w->reCheckCount[s] <= 0)
                Fail(at, "re-check without count", "a re-check of stage " + StageText(st) + " is due with no count left");
        }
        // A stage that ended unjudged and waited for the operator is judged or released by the
        // time what told the operator is gone.
        // (A silent board holds everything until it answers; a re-check due judges its stage.)
        if (!Told() && w->runState != 3 && !w->boardSilent) {
            for (int d = 0; d < MAX_DETECT && !halt_; ++d)
                if (st_[d] == Waiting && !(w->reCheckFlag && w->reCheckStage == d))
                    Fail(at, "never judged",
                         "stage " + StageText(d) + " ended unjudged and nothing judged or released it after the operator was told");
        }
        if (halt_)
            return;
        bool open = w->reCheckFlag || w->simInput >= 0 || w->restartDetect >= 0 || w->manualDetect != gDNum;
        for (int d = 0; d < MAX_DETECT; ++d)
            open = open || w->detectMask[d] != 0 || w->stageClock.Running(d);
        for (int k = 0; k < 8; ++k)
            open = open || w->inputSampled[k] || w->inputTimer[k]->isActive();
        if (open || AnyOpen())
            return;
        const qint64 pulseMs = qint64(p.mold_pulse) * 100;
        const qint64 clearMs = vd_->Now() - std::max(clearSince_, lastVerdictAt_);
        if (Out0() == 0) {
            // With a release pulse the inhibit comes back at the pulse's end (not while stopped).
            if (CutPulse() && lastVerdictReleases_ && w->runState == 1 && w->alarmState != 2 && w->alarmState != 3 &&
                !w->closePulseTimer->isActive() && clearMs > pulseMs)
                Fail(at, "release pulse",
                     "output 0 still clear " + std::to_string(clearMs) + " ms after the cycle's last verdict: its release pulse of " +
                         std::to_string(pulseMs) + " ms never ended");
            return;
        }
        // What holds the mould on purpose: the alarm hold, an editing page (the
        // region page), a warning with its confirm button, the no-input warning, a lost camera's
        // recovery, a silent board, Stop with enable_stop_mold, a pulse still running.
        // An NG's pulse without a length stands until the next cycle.
        bool ngStands = earlierNgStands_;
        for (Stage s : st_)
            ngStands = ngStands || (p.ng_pulse_mode && p.mold_pulse <= 0 && s == JudgedNg);
        const bool why = w->alarmState == 2 || w->alarmState == 3 || w->unjudgedStage >= 0 ||
                         w->startupHold != MainWindow::NoStartupHold || w->warnShown || w->boardSilent ||
                         (w->runState == 3 && p.enable_stop_mold) || gisLost || w->closePulseTimer->isActive() ||
                         ngStands;
        if (why)
            return;
        if (CutPulse() && lastVerdictReleases_)
            Fail(at, "release pulse",
                 "output 0 set again with no cycle open before it was clear for the release pulse's " + std::to_string(pulseMs) +
                     " ms after the cycle's last verdict");
        else if (!(p.is_cut_ontime && p.mold_pulse > 0 && setByPulse_))
            Fail(at, "held for good", "output 0 set with no cycle open, no alarm hold and no warning to release it");
    }
};

void OnMessage(QtMsgType type, const QMessageLogContext& ctx, const QString& text)
{
    if (gEngine)
        gEngine->Message(text);
    (void)type;
    (void)ctx;
}

}  // namespace

Result Run(const Config& c, const std::vector<Event>& events)
{
    Engine e(c, events);
    return e.Go();
}

}  // namespace cyclesim
