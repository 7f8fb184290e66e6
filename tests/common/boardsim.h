#pragma once
// Runs tools/boardsim on a pty for a test: start() waits for "ready", send() writes one stdin
// command, log lines come from its stdout ("<ms> <command> <data>", "<ms> in <hex>", ...).
#include <functional>
#include <QProcess>
#include <QString>
#include <QStringList>

struct BoardFrameLog {
    qint64 ms = 0;
    int command = 0;
    int data = 0;
};

class BoardSim {
public:
    BoardSim() = default;
    ~BoardSim();
    BoardSim(const BoardSim&) = delete;
    BoardSim& operator=(const BoardSim&) = delete;

    // Starts boardsim with its pty linked at `linkPath` (default: "<cwd>/ttyBoard") and waits
    // up to `timeoutMs` for "ready". Sets MOULDMON_SERIAL to the link when `setSerialEnv`.
    bool start(const QString& linkPath = QString(), bool setSerialEnv = true, int timeoutMs = 5000);
    QString link() const { return link_; }
    qint64 pid() const { return proc_.processId(); }
    // Sends one command line ("in 5", "temp 3 21.5", "unplug", "raw 5F 02", ...).
    void send(const QString& command);
    // Every log line so far (reads what boardsim has printed).
    QStringList lines();
    // Host frames logged so far (lines "<ms> <command> <data>").
    QList<BoardFrameLog> frames();
    // Waits until `pred` holds for the log lines; returns whether it did.
    bool waitFor(const std::function<bool(const QStringList&)>& pred, int timeoutMs = 3000);
    // Waits until at least `count` host frames were logged.
    bool waitForFrames(int count, int timeoutMs = 3000);
    // Sends "quit" and waits; kills it if it does not end.
    void stop();

private:
    void drain();

    QProcess proc_;
    QString link_;
    QString partial_;
    QStringList lines_;
    bool setEnv_ = false;
};
