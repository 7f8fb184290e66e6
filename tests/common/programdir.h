#pragma once
// Test helpers: a temporary program directory made the working directory, and a command runner
// that records what it is asked and answers from a script.
#include <functional>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "core/commandrunner.h"

// Makes a fresh temporary directory the working directory for the life of the object.
class ProgramDir {
public:
    ProgramDir();
    ~ProgramDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& rel) const { return dir_.path() + "/" + rel; }
    // Writes `data` to `rel` (creating folders); returns false on failure.
    bool write(const QString& rel, const QByteArray& data) const;
    QByteArray read(const QString& rel) const;
    // Leaves the directory behind when the object goes (a failed run keeps its evidence).
    void keep() { dir_.setAutoRemove(false); }

private:
    QTemporaryDir dir_;
    QString oldCwd_;
};

struct RecordedCommand {
    QString program;
    QStringList args;
    bool detached = false;
    QString line() const { return (program + " " + args.join(' ')).trimmed(); }
};

// Installs itself as the command runner while it lives. Every call is recorded; the answer comes
// from `answer` (default: exit 0, no output; detached starts report `detachedPid`).
class RecordingRunner : public CommandRunner {
public:
    RecordingRunner();
    ~RecordingRunner() override;
    CommandResult run(const QString& program, const QStringList& args, int timeoutMs = 30000) override;
    bool startDetached(const QString& program, const QStringList& args, qint64* pid = nullptr) override;

    QList<RecordedCommand> calls;
    qint64 detachedPid = 0;  // the pid startDetached reports
    std::function<CommandResult(const RecordedCommand&)> answer;
    QStringList lines() const;

private:
    CommandRunner* previous_;
};

// The build directory (tools such as boardsim live there).
QString buildDir();
QString sourceDir();
