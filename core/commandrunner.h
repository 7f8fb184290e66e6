#pragma once
// Every shell command the program runs goes through here: argument lists, never a shell, so no
// typed text can become a command. Tests replace the instance with a recorder.
#include <QString>
#include <QStringList>
#include <QByteArray>

struct CommandResult {
    bool started = false;   // the program could be started (or was skipped in a dry run)
    bool skipped = false;   // not run because it would change the machine (dry run)
    int exitCode = -1;      // exit status; -1 when it did not start, crashed or timed out
    QByteArray out;         // standard output
    QByteArray err;         // standard error
    bool ok() const { return started && exitCode == 0; }
};

class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    // Runs `program` with `args` and waits up to `timeoutMs`.
    virtual CommandResult run(const QString& program, const QStringList& args, int timeoutMs = 30000);
    // Starts `program` in the background and returns at once (what a trailing "&" did).
    virtual bool startDetached(const QString& program, const QStringList& args, qint64* pid = nullptr);

    // The runner in force; never null.
    static CommandRunner* instance();
    // Replaces the runner (tests); nullptr restores the real one. Returns the previous runner.
    static CommandRunner* setInstance(CommandRunner* runner);

    // True when MOULDMON_DRYRUN is set to a non-empty value other than "0".
    static bool dryRun();
    // True when the command would change the machine (power, clock, mounts, interfaces, /etc...).
    static bool changesMachine(const QString& program, const QStringList& args);
};

// Shorthands for the runner in force.
inline CommandResult runCommand(const QString& program, const QStringList& args, int timeoutMs = 30000)
{
    return CommandRunner::instance()->run(program, args, timeoutMs);
}
