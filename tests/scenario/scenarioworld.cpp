#include "scenario/scenarioworld.h"

#include <algorithm>
#include <csignal>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include "common/childalive.h"
#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/starvation.h"
#include "common/synthscene.h"
#include "common/xscreen.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/regionpagelogic.h"

namespace {

QString Flat(QString s)
{
    return s.replace('\t', ' ').replace('\r', ' ').replace('\n', ' ').simplified();
}

}  // namespace

ScenarioWorld::ScenarioWorld(XScreen& screen) : screen_(screen) {}

ScenarioWorld::~ScenarioWorld()
{
    Finish(false);
}

QString ScenarioWorld::dir() const
{
    return dir_ ? dir_->path() : QString();
}

bool ScenarioWorld::Start(QString* why)
{
    Finish(false);
    dir_ = std::make_unique<ProgramDir>();
    rig_ = std::make_unique<CycleRig>(dir_->path());
    journal_.clear();
    sceneOk_ = cameraPlugged_ = boardPlugged_ = true;
    resampling_ = false;
    deletePending_ = blind_ = false;
    offset_ = -1;
    mapSeq_ = 0;
    CycleRigSetup s;
    s.delay0 = words_.delay0Ms / 100;
    s.delay1 = words_.delay1Ms / 100;
    s.unplugFiles = true;
    // Every stage a mode's cycle runs inspects the region.
    s.regionStages = RegionStages();
    s.adjust = [this](WizardPara& p) {
        p.is_psw_used = 0;  // no password box between the operator and the pages
        p.auto_region_prompt = 0;
        p.io_mode = p.io_mode_chosen = words_.mode;
        if (words_.mode != 0)
            p.stage_delay[2] = words_.delay2Ms / 100;
        p.io_sub_mode = words_.sub;
        p.semi_auto = words_.semi ? 1 : 0;
        p.first_stage_on = words_.firstOn ? 1 : 0;
        p.enable_trigger_safety = words_.safety ? 1 : 0;
        p.front_auto_check_time = words_.recheck;
        if (words_.mode == 4) {
            // Stage i on its own source, started by the trigger choice of its input.
            p.stage_count = words_.stages;
            for (int i = 0; i < 8; ++i) {
                const int input = i < words_.stages ? words_.stageInput[i] : -1;
                p.stage_source[i] = input < 0 ? -1 : i;
                p.stage_input_choice[i] = input < 0 ? -1 : input == 0 ? 0 : input - 1;
            }
        }
        // The idle word: every output inactive, each at the level its polarity gives.
        words_.idle = 0;
        for (int n = 0; n < 9; ++n)
            words_.idle |= (p.output_polarity[n] ? 1 : 0) << n;
    };
    if (!rig_->Prepare(s)) {
        *why = "the program directory could not be prepared";
        return false;
    }
    language_ = rig_->language();
    const int lan = gLan;
    gLan = language_;
    Data_Init();
    gLan = lan;
    const qint64 started = rig_->Launch({"DISPLAY=" + screen_.display(), "QT_QPA_PLATFORM=xcb",
                                         "XDG_RUNTIME_DIR=" + dir_->path(),
                                         QString("MOULDMON_HOLD_PASS_MS=%1").arg(words_.holdMs),
                                         "MOULDMON_WIDGET_MAP=" + dir_->file("widgets.map")});
    if (started < 0) {
        *why = "the program did not show its main screen: " + rig_->Log().right(2000);
        return false;
    }
    clock_.start();
    wallAtStart_ = QDateTime::currentMSecsSinceEpoch();
    Note(JournalEvent::Restarted);
    Wait(1500);
    return true;
}

bool ScenarioWorld::KillAndRestart(QString* why)
{
    NoteEnd();
    if (rig_->KillAndRestart() < 0) {
        *why = "the program did not show its main screen again after the kill: " + rig_->Log().right(2000);
        return false;
    }
    Started();
    return true;
}

ScenarioWorld::StopSeen ScenarioWorld::Terminate(int giveUpMs)
{
    StopSeen seen;
    QProcess& app = rig_->process();
    const Starvation cpu(rig_->Pids());
    seen.signalledMs = Now();
    NoteEnd();
    ::kill(pid_t(app.processId()), SIGTERM);
    QElapsedTimer t;
    t.start();
    // The threads of a process that ended are gone from /proc: their waits are read while it runs.
    while (t.elapsed() < giveUpMs && !app.waitForFinished(10)) {
        seen.waitedMs = std::max(seen.waitedMs, cpu.WaitedMs());
        rig_->board()->lines();
        Now();
    }
    if (app.state() != QProcess::NotRunning) {
        ::kill(pid_t(app.processId()), SIGKILL);
        app.waitForFinished(5000);
        return seen;
    }
    seen.tookMs = t.elapsed();
    seen.bySignal = app.exitStatus() == QProcess::CrashExit && app.exitCode() == SIGTERM;
    return seen;
}

bool ScenarioWorld::Restart(QString* why)
{
    if (rig_->StartAgain() < 0) {
        *why = "the program did not show its main screen again after its stop: " + rig_->Log().right(2000);
        return false;
    }
    Started();
    return true;
}

void ScenarioWorld::NoteEnd()
{
    const qint64 now = Now();
    if (resampling_)
        journal_ << JournalEvent{now, JournalEvent::KilledResampling};
    journal_ << JournalEvent{now, JournalEvent::Killed};
    // The new program's widget map counts from the start again.
    QFile::remove(dir_->file("widgets.map"));
    mapSeq_ = 0;
}

void ScenarioWorld::Started()
{
    Note(JournalEvent::Restarted);
    // What the operator passed or left unsaved ended with the program.
    deletePending_ = false;
    NewCycle();
    Wait(1500);
}

QString ScenarioWorld::RestartWarningText() const
{
    return RowText(622).section('%', 0, 0).trimmed();
}

bool ScenarioWorld::RestartWarningShown()
{
    const QString text = RestartWarningText();
    if (text.isEmpty())
        return false;
    // A box breaks its text into lines by width, between any two Chinese characters: the map shows
    // each break as a space.
    const auto bare = [](QString t) { return t.remove(QRegularExpression("\\s")); };
    for (const Shown& s : Map())
        if (bare(s.text).startsWith(bare(text)) && s.rect.width() > 4)
            return true;
    return false;
}

bool ScenarioWorld::ResamplingShown()
{
    const QString text = RowText(310);
    for (const Shown& s : Map())
        if (s.cls == "QLabel" && s.text.endsWith(" " + text))
            return true;
    return false;
}

QList<Breach> ScenarioWorld::TakeFound()
{
    const QList<Breach> out = found_;
    found_.clear();
    return out;
}

void ScenarioWorld::ReadPassLog()
{
    // The board watch logs both ends of a stall of the monitoring pass in local time; the board
    // took the word that goes with each just after.
    static const QRegularExpression re(R"(^\[[EW] (\S+) boardwatch\.cpp:\d+\] monitoring pass (has not run|runs again))",
                                       QRegularExpression::MultilineOption);
    QList<JournalEvent> seen;
    for (auto it = re.globalMatch(rig_->Log()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QDateTime at = QDateTime::fromString(m.captured(1), "yyyy/MM/dd-HH:mm:ss.zzz");
        const qint64 ms = at.toMSecsSinceEpoch() - wallAtStart_ + std::max<qint64>(offset_, 0);
        seen << JournalEvent{ms, m.captured(2) == "has not run" ? JournalEvent::PassStalled : JournalEvent::PassBack};
    }
    Journal(seen, &passLogged_);
    // The region page's ends, as the alarm state logs them (the time of day only).
    static const QRegularExpression page(R"(^alarm state (\d) -> (\d) \([^)]*\) at (\S+)$)",
                                         QRegularExpression::MultilineOption);
    const QDate day = QDateTime::fromMSecsSinceEpoch(wallAtStart_).date();
    QList<JournalEvent> pages;
    for (auto it = page.globalMatch(rig_->Log()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool opens = m.captured(2) == "3", closes = m.captured(1) == "3";
        if (opens == closes)
            continue;
        const QDateTime at(day, QTime::fromString(m.captured(3), "HH:mm:ss.zzz"));
        const qint64 ms = at.toMSecsSinceEpoch() - wallAtStart_ + std::max<qint64>(offset_, 0);
        pages << JournalEvent{ms, opens ? JournalEvent::EditingOpen : JournalEvent::EditingClosed};
    }
    Journal(pages, &pageLogged_);
}

void ScenarioWorld::Journal(const QList<JournalEvent>& seen, int* logged)
{
    for (int i = *logged; i < seen.size(); ++i) {
        int at = journal_.size();
        while (at > 0 && journal_[at - 1].ms > seen[i].ms)
            --at;
        journal_.insert(at, seen[i]);
    }
    *logged = std::max(*logged, int(seen.size()));
}

QList<StageEvent> ScenarioWorld::StageLog()
{
    static const QRegularExpression re(R"(^stage (\d+) delay (?:(\d+) ms started|ended) at (\S+)$)",
                                       QRegularExpression::MultilineOption);
    QList<StageEvent> out;
    for (auto it = re.globalMatch(rig_->Log()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QDateTime at = QDateTime::fromString(m.captured(3), "yyyy/MM/dd-HH:mm:ss.zzz");
        const qint64 ms = at.toMSecsSinceEpoch() - wallAtStart_ + std::max<qint64>(offset_, 0);
        out << StageEvent{ms, m.captured(1).toInt(), m.captured(2).toInt(), !m.captured(2).isEmpty()};
    }
    return out;
}

void ScenarioWorld::Finish(bool keep)
{
    if (rig_)
        rig_->Stop();
    rig_.reset();
    if (dir_ && keep)
        dir_->keep();
    dir_.reset();
}

qint64 ScenarioWorld::Now()
{
    // The board logs a frame of the program every few ms: the newest frame is at most that old.
    const QList<BoardFrameLog> frames = rig_->board()->frames();
    if (!frames.isEmpty())
        offset_ = std::max(offset_, frames.last().ms - clock_.elapsed());
    return clock_.elapsed() + std::max<qint64>(offset_, 0);
}

void ScenarioWorld::Note(JournalEvent::Kind kind)
{
    journal_ << JournalEvent{Now(), kind};
}

QStringList ScenarioWorld::Texts(const QString& english) const
{
    QStringList out;
    for (int r = 0; r < LAN_ROWS; ++r)
        if (Flat(gaLanStr[r * LAN_COUNT + 1]) == english)
            out << Flat(gaLanStr[r * LAN_COUNT + language_]);
    return out;
}

QList<Shown> ScenarioWorld::Map()
{
    return ReadWidgetMap(rig_->process().processId(), dir_->file("widgets.map"), &mapSeq_,
                         [this] { rig_->board()->lines(); });
}

QRect ScenarioWorld::Find(const QList<Shown>& map, const QStringList& texts, const QString& cls)
{
    const QRect screen(0, 0, 1920, 1080);
    // The last one drawn is on top (a box over the main screen).
    for (int i = map.size() - 1; i >= 0; --i) {
        const Shown& s = map[i];
        if (texts.contains(s.text) && (cls.isEmpty() || s.cls == cls) && screen.contains(s.rect.center())
            && s.rect.width() > 4 && s.rect.height() > 4)
            return s.rect;
    }
    return QRect();
}

bool ScenarioWorld::Has(const QList<Shown>& map, const QString& cls)
{
    for (const Shown& s : map)
        if (s.cls == cls)
            return true;
    return false;
}

QString ScenarioWorld::RowText(int row) const
{
    return Flat(gaLanStr[row * LAN_COUNT + language_]);
}

bool ScenarioWorld::TouchRow(int row, int settleMs, const QList<JournalEvent::Kind>& notes)
{
    return TouchShown({RowText(row)}, settleMs, notes);
}

bool ScenarioWorld::Shows(const QString& english)
{
    return !Find(Map(), Texts(english)).isNull();
}

bool ScenarioWorld::TouchText(const QString& english, int settleMs, const QList<JournalEvent::Kind>& notes)
{
    return TouchShown(Texts(english), settleMs, notes);
}

bool ScenarioWorld::TouchShown(const QStringList& texts, int settleMs, const QList<JournalEvent::Kind>& notes)
{
    const QRect r = Find(Map(), texts);
    if (r.isNull())
        return false;
    for (JournalEvent::Kind k : notes)
        Note(k);
    Touch(r.center(), settleMs);
    return true;
}

void ScenarioWorld::Touch(QPoint p, int settleMs)
{
    screen_.XDo({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
    Wait(settleMs);
}

void ScenarioWorld::Drag(QPoint from, QPoint to)
{
    screen_.idle = [this] { rig_->board()->lines(); };
    screen_.Drag(from, to);
    screen_.idle = nullptr;
}

bool ScenarioWorld::Answer(bool yes, int waitMs, const QList<JournalEvent::Kind>& notes)
{
    QElapsedTimer t;
    t.start();
    do {
        // The question box's buttons show rows 122 and 123.
        const QRect button = Find(Map(), {RowText(yes ? 122 : 123)}, "QPushButton");
        if (!button.isNull()) {
            for (JournalEvent::Kind k : notes)
                Note(k);
            Touch(button.center());
            return true;
        }
        Wait(100);
    } while (t.elapsed() < waitMs);
    return false;
}

bool ScenarioWorld::Dismiss(const QList<JournalEvent::Kind>& notes)
{
    // A warning's only button shows row 121.
    return TouchShown({RowText(121)}, 500, notes);
}

void ScenarioWorld::ShowScene(bool ok)
{
    ok = ok || resampling_;
    cv::Mat pic = rig_->scene().clone();
    // Spots inside the region every program directory starts with.
    static const cv::Point kSpots[] = {{200, 180}, {140, 140}, {260, 140}, {140, 230}, {260, 230}, {170, 200}, {230, 160}};
    if (!ok)
        synth::blob(pic, kSpots[ngSpot_ % 7], 14, 0);
    rig_->Show(1, pic);
    sceneOk_ = ok;
    Note(ok || passed_ || blind_ ? JournalEvent::SceneOk : JournalEvent::SceneNg);
}

int ScenarioWorld::RegionStages() const
{
    // The stage pairs' second pair is stages 2 and 3; without the first stage the second one sees
    // the part.
    if (words_.mode == 1 || words_.mode == 2)
        return 4;
    if (words_.mode == 4)
        return 3;
    return words_.firstOn ? 1 : 2;
}

bool ScenarioWorld::PageStageHasRegions()
{
    // The rig's region deleted (saved or not yet): a region drawn now is its stage's first.
    if (blind_ || deletePending_)
        return false;
    const int lan = gLan;
    gLan = language_;
    QStringList bare;
    for (int d = RegionStages(); d < 8; ++d)
        if (!RegionPage::StageName(words_.mode, d).isEmpty())
            bare << Flat(gaLanStr[46 * LAN_COUNT + gLan].arg(RegionPage::StageName(words_.mode, d)));
    gLan = lan;
    for (const Shown& sh : Map())
        if (sh.cls == "QComboBox" && bare.contains(Flat(sh.text)))
            return false;
    return true;
}

void ScenarioWorld::EditsAnswered(bool saved)
{
    if (saved && deletePending_) {
        blind_ = true;
        Note(JournalEvent::SceneOk);
    }
    deletePending_ = false;
}

void ScenarioWorld::Pass()
{
    passed_ = true;
    Note(JournalEvent::SceneOk);
}

void ScenarioWorld::NewCycle()
{
    passed_ = false;
    Note(sceneOk_ || blind_ ? JournalEvent::SceneOk : JournalEvent::SceneNg);
}

void ScenarioWorld::Camera(bool plugged)
{
    const QString f = dir_->file("unplug1");
    if (plugged)
        QFile::remove(f);
    else
        dir_->write("unplug1", "1");
    cameraPlugged_ = plugged;
    Note(plugged ? JournalEvent::CameraIn : JournalEvent::CameraOut);
}

void ScenarioWorld::Board(bool plugged)
{
    rig_->board()->send(plugged ? "plug" : "unplug");
    boardPlugged_ = plugged;
}

void ScenarioWorld::Pulse(int input, int ms)
{
    rig_->board()->send(QString("pulse %1 %2").arg(input).arg(ms));
}

void ScenarioWorld::HoldGui()
{
    ::kill(pid_t(rig_->process().processId()), SIGUSR2);
}

void ScenarioWorld::Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        rig_->board()->lines();
        Now();
        QThread::msleep(std::min<qint64>(20, std::max<qint64>(1, ms - t.elapsed())));
    }
}

bool ScenarioWorld::ScreenRunning() const
{
    return screen_.running();
}

bool ScenarioWorld::Running()
{
    return rig_ && ChildAlive(rig_->process());
}
