#pragma once
// Writes what a verdict must put on the disk (count.txt, the statistics commit) on a thread of its
// own, so the GUI thread never waits for a disk sync. Jobs are written one after the other in the
// order they were handed over, each as durably as it was on the GUI thread: a file replaced whole
// and synced, the statements of one commit in one SQLite transaction. A power cut loses at most
// the jobs not yet written; what is on the disk is always a prefix of what was handed over.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QSqlDatabase>
#include <condition_variable>
#include <deque>
#include <mutex>

class VerdictWriter : public QThread {
public:
    explicit VerdictWriter(QObject* parent = nullptr);
    ~VerdictWriter() override;  // writes what is queued (within `flushMs`), then stops

    // Replaces `path` by `data` (temporary file, synced, renamed).
    void WriteFile(const QString& path, const QByteArray& data);
    // Runs `statements` on the SQLite file `database` in one transaction.
    void Commit(const QString& database, const QStringList& statements);
    // Waits until every queued job is written and the databases are closed; false when
    // `timeoutMs` ran out first. Jobs that failed count as done.
    bool Flush(int timeoutMs);
    int pending() const;
    // The same commit on the calling thread, through a connection of its own.
    static bool CommitNow(const QString& database, const QStringList& statements, QString* error = nullptr);
    int failures() const;

    int busyWaitMs = 2000;  // SQLite's wait for a lock held elsewhere
    int flushMs = 5000;

protected:
    void run() override;

private:
    struct Job {
        QString path;         // the file, or the database
        QByteArray data;      // WriteFile
        QStringList sql;      // Commit (a database job when not empty)
    };
    bool Write(const Job& job, QString* error);
    bool RunSql(const Job& job, QString* error);
    static bool RunStatements(QSqlDatabase& db, const QStringList& statements, QString* error);
    void Enqueue(Job job);
    void CloseAll();

    QString connectionPrefix_;
    QStringList open_;  // connections opened by the writer thread
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool writing_ = false;
    bool stop_ = false;
    int failures_ = 0;
};
