#pragma once
// The real program in a temporary program directory with the board simulator on a pty and
// simulated cameras serving picture files, for end-to-end tests and tools/cyclebench: parameters,
// regions and templates written as the program stores them, the program started in a network
// namespace of its own, the board's frames and the program's log read back.
#include <functional>
#include <memory>

#include <QList>
#include <QProcess>
#include <QString>

#include <opencv2/core.hpp>

#include "common/boardsim.h"

struct OutputChange {
    qint64 ms;
    int bits;  // outputs 0-2 as the board received them
};

class CammerSingleton;
class WizardPara;

struct CycleRigSetup {
    int cameras = 1;
    int regions = 1;       // 1: one large region; more: a grid of small ones (up to 50)
    int width = 640;
    int height = 480;
    bool colour = false;   // colour sensors, colour processing on
    int delay0 = 10;       // stage delays in 100 ms ticks
    int delay1 = 10;
    int fps = 30;          // frames a second of each simulated camera
    int regionStages = 1;  // stages 0 .. regionStages - 1 get the regions
    std::function<void(WizardPara&)> adjust;  // further parameters, before they are stored
    bool unplugFiles = false;  // camera c is unplugged while "unplug<c>" exists in the directory
    cv::Mat scene;             // grey width x height camera picture; empty: a synthetic one
    std::function<void(CammerSingleton&)> adjustRegions;  // each camera's regions, before they are stored
};

class CycleRig {
public:
    // Works in the current directory (a temporary program directory).
    explicit CycleRig(const QString& programDir);
    ~CycleRig();

    // Databases, parameters, regions, templates and camera pictures for `s`.
    bool Prepare(const CycleRigSetup& s);
    // Starts boardsim and the program; waits until the main screen is shown. Returns the time
    // from the start of the process to that line (ms), or -1.
    // `wrapper`: a command the program runs under (a profiler), empty for none.
    qint64 Launch(const QStringList& extraEnv = {}, const QString& wrapper = QString());
    // Ends the program with SIGKILL (a crash or a power cut of the computer) and starts it again
    // as Launch did, in the same directory on the same running board; the time to its main screen
    // or -1.
    qint64 KillAndRestart();
    // Starts the program again as Launch did, once it has ended (by a signal the caller sent);
    // the time to its main screen or -1.
    qint64 StartAgain();
    void Stop();
    // The program to start; empty: the build's own.
    QString program;

    // Replaces camera c's picture whole (written aside, then renamed over).
    bool Show(int c, const cv::Mat& picture);
    QString Picture(int c) const;
    // What the program printed and logged so far.
    QString Log();
    bool WaitFor(const std::function<bool()>& cond, int ms);
    // Changes of outputs 0-2 (the bits of `mask`) in the words the board received since `fromMs`.
    QList<OutputChange> Changes(qint64 fromMs, int mask = 0x7);
    // Time of the first change at or after `fromMs` to exactly `bits`; -1 if none.
    qint64 ChangeTo(qint64 fromMs, int bits, int mask = 0x7);
    // The changes since `fromMs` as "+ms:bits" for failure messages.
    QString Seen(qint64 fromMs, int mask = 0x7);
    // Board time stamps of the input changes logged so far that raised input n.
    static QList<qint64> Raises(const QStringList& lines, int n);
    // Raises input n for `ms`; returns the board's time of that edge (-1: not seen).
    qint64 Pulse(int n, int ms = 300);
    // Resident memory of the program (kB, from /proc), -1 when it is not running.
    long long RssKb() const;
    // The processes whose lateness a timing check sees: the program and the board (which stamps
    // the edges and the words).
    QList<qint64> Pids();
    // Longest pass stalls reported with each verdict since the program started.
    QList<qint64> Stalls();

    const cv::Mat& scene() const { return scene_; }
    BoardSim* board() { return board_.get(); }
    QProcess& process() { return app_; }
    int language() const { return language_; }
    // A text as the program shows it, in its language.
    QString InProgramLanguage(const std::function<QString()>& text) const;
    // A text row of the table as the program shows it.
    QString ProgramRow(int row) const;
    // Board time of the last host frame logged (the board's clock "now"); 0 before any.
    qint64 BoardNow();
    // The scene with a part left in the mould where the test regions look.
    cv::Mat PartInTheMould() const;

private:
    QString dir_;
    std::unique_ptr<BoardSim> board_;
    QProcess app_;
    qint64 StartProgram();

    QString output_;
    QStringList env_;
    QString wrapper_;
    cv::Mat scene_;
    int language_ = 0;
};
