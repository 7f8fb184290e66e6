#pragma once
// The real program as an operator and a machine meet it: a fresh program directory, the board
// simulator, one simulated camera with an unplug file, the screen of a private X server touched
// through xdotool where the widgets say they are (the program's widget map), and a journal of
// what was done, in board time.
#include <memory>

#include <QElapsedTimer>
#include <QList>
#include <QRect>
#include <QString>

#include "common/widgetmapfile.h"
#include "scenario/invariants.h"

class CycleRig;
class ProgramDir;
class XScreen;

class ScenarioWorld {
public:
    explicit ScenarioWorld(XScreen& screen);
    ~ScenarioWorld();

    // A fresh program directory (made the working directory) and the program started in it.
    bool Start(QString* why);
    // Stops the program; the directory stays when `keep`.
    void Finish(bool keep);
    QString dir() const;
    CycleRig& rig() { return *rig_; }
    const CycleWords& words() const { return words_; }
    // The mode (and its words) the next Start stores before the program starts.
    void SetWords(const CycleWords& w) { words_ = w; }

    // Board time now (ms of the board simulator's clock).
    qint64 Now();
    void Note(JournalEvent::Kind kind);
    const QList<JournalEvent>& journal() const { return journal_; }
    // Puts the stalls of the monitoring pass the program logged since the last call into the
    // journal, in board time.
    void ReadPassLog();
    // The stage delays the program logged (started, ended) so far, in board time.
    QList<StageEvent> StageLog();

    // The texts, in the program's language, of the rows whose English text is `english`.
    QStringList Texts(const QString& english) const;
    // Every visible widget, as the program reports it now (empty when it does not answer).
    QList<Shown> Map();
    // The visible widget of class `cls` (empty: any) showing one of `texts`; null rect when none.
    static QRect Find(const QList<Shown>& map, const QStringList& texts, const QString& cls = QString());
    static bool Has(const QList<Shown>& map, const QString& cls);
    // Touches the widget showing the text whose English is `english`; false when none is shown.
    // `notes` go into the journal just before the touch (what the touch may do).
    bool TouchText(const QString& english, int settleMs = 500, const QList<JournalEvent::Kind>& notes = {});
    bool Shows(const QString& english);
    // The same by the row of the text table the widget shows.
    QString RowText(int row) const;
    bool TouchRow(int row, int settleMs = 500, const QList<JournalEvent::Kind>& notes = {});
    void Touch(QPoint p, int settleMs = 500);
    void Drag(QPoint from, QPoint to);
    // The question box's Yes or No, when one is shown; false when none came within `waitMs`.
    bool Answer(bool yes, int waitMs = 1500, const QList<JournalEvent::Kind>& notes = {});
    // Closes a warning or message box when one is shown.
    bool Dismiss(const QList<JournalEvent::Kind>& notes = {});
    // Ends the program with SIGKILL (a crash, a power cut of the computer) and starts it again in
    // its directory on the same board; false (with `why`) when it shows no main screen again. The
    // cables are in (a start without its camera or board is a start of its own).
    bool KillAndRestart(QString* why);
    // How an orderly stop went.
    struct StopSeen {
        qint64 signalledMs = -1;  // board time of the signal
        qint64 tookMs = -1;       // from the signal to the end of the process; -1: not within the wait
        qint64 waitedMs = 0;      // the longest a thread of the program or the board waited for a CPU meanwhile
        bool bySignal = false;    // ended by the signal's own action, as a stop in order ends
    };
    // Sends SIGTERM and waits up to `giveUpMs` for the program to end; one that has not ended by
    // then is killed. The journal takes the end at the signal (the program sends nothing after
    // it).
    StopSeen Terminate(int giveUpMs);
    // Starts the program again in its directory after it ended; as KillAndRestart.
    bool Restart(QString* why);
    // The warning a start shows after an end that left the mould unjudged, with its confirm button.
    bool RestartWarningShown();
    // Its text as far as it is fixed (before any value put in); empty when the table has none.
    QString RestartWarningText() const;
    // A camera's title line says it is resampling (End Set on a region page leaves a pending
    // resampling pending; only the area check's ends it).
    bool ResamplingShown();
    // Breaches a step found itself (a restart's warning, counts across a kill); taken once.
    void Found(const Breach& b) { found_ << b; }
    QList<Breach> TakeFound();

    // While templates are to be taken (resampling ordered, not yet ended by End Set or the way
    // back) the mould stays empty: an operator resamples an empty mould.
    void ShowScene(bool ok);
    void SetResampling(bool on) { resampling_ = on; }
    // "Don't Detect" on the alarm page: the operator passes this mould, whatever it holds, until
    // the next cycle starts (NewCycle).
    void Pass();
    void NewCycle();
    // "Add as template" teaches the part the alarm showed: later parts are left elsewhere.
    void Taught() { ++ngSpot_; }
    // A region deleted on the region page: once End Set saves it (Yes), the stage it belonged to
    // is blind to the part (the rig's program directory has one region over the part's spots),
    // as the operator chose. The question that saves or throws away the page's edits (End Set,
    // a list changed) is answered with `saved`.
    void RegionDeleted() { deletePending_ = true; }
    void EditsAnswered(bool saved);
    // The region page shows a stage the program directory gave regions. A region drawn on a stage
    // without any takes the page's default function, which an empty mould fails: the operator's
    // own setting, not one the walk makes.
    bool PageStageHasRegions();
    bool resampling() const { return resampling_; }
    bool sceneOk() const { return sceneOk_; }
    void Camera(bool plugged);
    bool cameraPlugged() const { return cameraPlugged_; }
    void Board(bool plugged);
    bool boardPlugged() const { return boardPlugged_; }
    void Pulse(int input, int ms);
    // Holds the program's GUI thread for the configured time at its next pass.
    void HoldGui();
    // Waits `ms`, reading the board's log meanwhile.
    void Wait(int ms);
    bool Running();
    // The private X server the program shows on.
    bool ScreenRunning() const;

private:
    void Journal(const QList<JournalEvent>& seen, int* logged);
    int RegionStages() const;
    // The end of the program in the journal; the widget map of the next one.
    void NoteEnd();
    // A start after an end: the journal, then the main screen settled.
    void Started();
    bool TouchShown(const QStringList& texts, int settleMs, const QList<JournalEvent::Kind>& notes);

    XScreen& screen_;
    std::unique_ptr<ProgramDir> dir_;
    std::unique_ptr<CycleRig> rig_;
    CycleWords words_;
    QList<JournalEvent> journal_;
    QElapsedTimer clock_;
    qint64 offset_ = -1;  // board ms - clock ms, the largest seen
    qint64 wallAtStart_ = 0;  // ms since the epoch when clock_ started
    int passLogged_ = 0;      // pass-stall lines already in the journal
    int pageLogged_ = 0;      // region-page lines already in the journal
    int mapSeq_ = 0;
    int language_ = 0;
    bool sceneOk_ = true;
    bool cameraPlugged_ = true;
    bool boardPlugged_ = true;
    bool resampling_ = false;
    bool passed_ = false;
    bool deletePending_ = false;
    bool blind_ = false;
    int ngSpot_ = 0;
    QList<Breach> found_;
};
