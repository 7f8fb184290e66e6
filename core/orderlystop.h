#pragma once
// The end of the program in order. SIGTERM, SIGINT and SIGHUP (a shut-down, the service manager,
// a terminal) end it the way Exit does: what the writers hold is written within a bound, the
// databases close, a line says so, then the process ends with no further output to the board.
// The handler only writes the signal's number into a socket pair; a notifier on the GUI thread
// reads it in whatever event loop runs (a modal box's or the start-up's included) and ends the
// process from there.
#include <functional>
#include <QObject>
#include <QStringList>

class QSocketNotifier;

class OrderlyStop : public QObject {
public:
    static constexpr int kFlushBoundMs = 3000;

    // Installs the handlers; the destructor puts the previous ones back. One at a time.
    explicit OrderlyStop(QObject* parent = nullptr);
    ~OrderlyStop() override;

    // What is written before the end, within `boundMs`: true when nothing was left out; each
    // writer that left anything out since the start adds what to `leftOut` ("record writer:
    // 1 row"). Set once the writers can exist (the main window's); empty: nothing is held.
    using Flush = std::function<bool(int boundMs, QStringList* leftOut)>;
    static void SetFlush(Flush flush);
    // That flush with its bound, then the line that tells its outcome and names what was left
    // out. Exit and the signals' stop call it; the process ends right after it.
    static bool FlushBeforeEnd();

    // A signal that came while no event loop ran (a start-up step) is taken up now.
    void TakePending();

    // Ends the process after the flush. By default StopWTD, then the signal's own default action,
    // so a parent still sees the process ended by that signal. Tests replace it (it may return).
    std::function<void(int sig)> end;

    static const char* SignalName(int sig);

private:
    void Take();

    QSocketNotifier* notifier_ = nullptr;
};
