#pragma once
// Writes what a verdict must put on the disk (count.txt, the statistics commit) on a thread of its
// own, so the GUI thread never waits for a disk sync. Jobs are written one after the other in the
// order they were handed over, each as durably as it was on the GUI thread: a file replaced whole
// and synced, the statements of one commit in one SQLite transaction. A job that fails is tried
// again every `retryPauseMs`, and no later job is written before it until it is written or left
// out. Each file reaches the latest totals handed over for it once its writes succeed: count.txt
// is written whole, and a statistics commit sets the whole rows it names, so the next write of
// the same file or rows carries one left out. Every job left out is logged critical (once per
// failing path until a write of it succeeds), counted in failures(), and named at the stop
// (Stop, missing()):
// - a commit whose statements SQLite refuses (a wrong statement, a broken constraint) is left out
//   at once, as no retry can mend it;
// - a commit SQLite cannot read the database of (damaged, or no database at all: the writer
//   never makes one) is left out at once, as is a file write that finds a folder where the file
//   belongs, or a file where its folder belongs;
// - a job failing for `giveUpMs` on its own clock (another job's success does not reset it; a
//   newer write of the same file carrying it takes it over) is left out, and so is at its first
//   failure every job of a path that has failed that long with no success since: a full disk
//   holds back the queue that long behind one path, not for ever nor once for each job;
// - at the end (the destructor, Drain) the writer waits at most `flushMs` for the queue, then the
//   job in progress ends and the jobs still queued are left out.
// A commit never makes its database: one that is not there is written into its counterpart of a
// day change not finished ("<database>.new", or the database a fresh file was renamed to; such
// statements name their day) when that is there, else left out (told once until it is back).
// RunBeside runs tasks on a second thread, in order, beside the queue: work that touches none of
// the writer's databases and must not hold up the writes (the archive copy of a day change). It
// holds no counts: Flush and Drain do not wait for it; the destructor waits for the task running
// and drops those not begun.
// A file write handed over right behind a waiting write of the same file takes its place: the
// file is written whole each time, so the newer content carries the older (a count.txt left out
// is carried by the next count write the same way). A power cut loses at most the jobs not yet
// written.
// WriteFileAhead is the one exception to the order: its write goes before every job not yet taken
// up, a failing one included, and replaces a waiting write of the same file. It is for a state the
// next start reads (a mould left held), which must not wait behind a full disk's count.txt.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QSqlDatabase>
#include <condition_variable>
#include <deque>
#include <utility>
#include <functional>
#include <mutex>
#include <QHash>
#include <QSet>
#include <thread>

class VerdictWriter : public QThread {
public:
    explicit VerdictWriter(QObject* parent = nullptr);
    ~VerdictWriter() override;  // Drain(flushMs), then stops

    // Replaces `path` by `data` (temporary file, synced, renamed).
    void WriteFile(const QString& path, const QByteArray& data);
    // The same, ahead of the queue (see above).
    void WriteFileAhead(const QString& path, const QByteArray& data);
    // Runs `statements` on the SQLite file `database` in one transaction.
    void Commit(const QString& database, const QStringList& statements);
    // Runs `task` in its turn with every database of the writer let go (it may move their files).
    // A task is run once, never tried again: it tells its outcome itself.
    void Run(std::function<void()> task);
    // Runs `task` on the second thread (see above).
    void RunBeside(std::function<void()> task);
    // Waits until every queued job is written (or left out) and the databases are closed; false
    // when `timeoutMs` ran out first.
    bool Flush(int timeoutMs);
    // Flush before the end: false, and every job still waiting logged critical, when `timeoutMs`
    // ran out first.
    bool Drain(int timeoutMs);
    // Drain for the end of the process: the jobs it logs stay undone (nothing is taken up after
    // it, so the log tells exactly what is missing); a job in progress runs on. False as well when
    // a job was left out earlier: a commit, or a file write no later write of that file carried.
    bool Stop(int timeoutMs);
    int pending() const;  // queued and in progress
    // The same commit on the calling thread, through a connection of its own.
    static bool CommitNow(const QString& database, const QStringList& statements, QString* error = nullptr);
    int failures() const;  // jobs left out
    // At the last Stop: the jobs missing on the disk (not done before the end, or left out and
    // not carried by a later write of their file since).
    int missing() const;

    int busyWaitMs = 2000;   // SQLite's wait for a lock held elsewhere, per attempt
    int retryPauseMs = 200;  // between attempts of a failing job
    int giveUpMs = 30000;    // failing this long, a job that fails is left out
    int flushMs = 5000;

protected:
    void run() override;

private:
    struct Job {
        QString path;         // the file, or the database
        QByteArray data;      // WriteFile
        QStringList sql;      // Commit (a database job when not empty)
        bool ahead = false;   // WriteFileAhead
        std::function<void()> task;  // Run
        qint64 failingSince = -1;  // the writer's clock at its first failed attempt
    };
    enum Outcome { Written, Failed, Refused, Missing };  // Refused: a retry cannot succeed
    Outcome Write(const Job& job, QString* error);
    Outcome RunSql(const Job& job, QString* error);
    static Outcome RunStatements(QSqlDatabase& db, const QStringList& statements, QString* error);
    void Close(const QString& name);
    void Enqueue(Job job);
    // Where a job goes that must be written before the rest: behind the ahead jobs waiting.
    std::deque<Job>::iterator AfterAhead();
    void CloseAll();
    void RunBesideLoop();

    QString connectionPrefix_;
    QStringList open_;  // connections opened by the writer thread
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool writing_ = false;  // a job is taken off the queue and being written
    bool stop_ = false;
    int failures_ = 0;
    QSet<QString> missingTold_;  // writer thread only
    QSet<QString> failTold_;     // paths told failing (writer thread only)
    QSet<QString> leftOutTold_;  // paths told left out (writer thread only)
    QHash<QString, std::pair<qint64, qint64>> pathFailingSince_;  // a path's failing streak: its first and last failure (writer thread only)
    int missing_ = 0;
    QSet<QString> leftOutFiles_;  // files whose last write was left out
    int leftOutCommits_ = 0;      // commits left out

    std::mutex besideMutex_;
    std::condition_variable besideWake_;
    std::deque<std::function<void()>> besideQueue_;
    bool besideStop_ = false;
    std::thread beside_;
};
