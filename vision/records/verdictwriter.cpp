#include "vision/records/verdictwriter.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QElapsedTimer>
#include <QtDebug>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/existingdb.h"

#include "vision/records/counters.h"

VerdictWriter::VerdictWriter(QObject* parent)
    : QThread(parent), connectionPrefix_("verdictWriter-" + QUuid::createUuid().toString(QUuid::WithoutBraces) + "-")
{
}

namespace {

// SQLite's primary codes a retry cannot mend: a wrong statement, too big, a broken constraint, a
// type mismatch, a parameter out of range; and a file that is damaged or no database at all (the
// writer never makes a database, so it is not one of its own half made).
bool Lasting(const QSqlError& e)
{
    switch (e.nativeErrorCode().toInt() & 0xff) {
    case 1: case 11: case 18: case 19: case 20: case 25: case 26:
        return true;
    default:
        return false;
    }
}

// The file a commit of `database` goes into: the database, else its counterpart of a day change
// not finished: its fresh file "<database>.new", or for a fresh file the database whose name it
// took meanwhile (such statements carry the day they belong to); empty when neither is there. A
// database is never made by a commit.
QString CommitTarget(const QString& database)
{
    if (QFileInfo(database).isFile())
        return database;
    const QString other = database.endsWith(".new") ? database.chopped(4) : database + ".new";
    return QFileInfo(other).isFile() ? other : QString();
}

}  // namespace

VerdictWriter::~VerdictWriter()
{
    {
        std::lock_guard<std::mutex> lock(besideMutex_);
        besideStop_ = true;
        besideQueue_.clear();  // a task not begun is left for the next start; the one running ends
    }
    besideWake_.notify_all();
    if (beside_.joinable())
        beside_.join();
    if (isRunning()) {
        Drain(flushMs);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;  // the jobs still queued are left out after the one in progress
        }
        wake_.notify_all();
        wait();
    }
    // The thread's end (here, or after Stop) orders its last touch of the queue before the
    // members go, but inside Qt, where ThreadSanitizer cannot see it; the lock says so where it can.
    std::lock_guard<std::mutex> lock(mutex_);
}

void VerdictWriter::Enqueue(Job job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Job* last = queue_.empty() ? nullptr : &queue_.back();
        if (!job.task && job.sql.isEmpty() && last && !last->task && last->sql.isEmpty() && last->path == job.path)
            last->data = std::move(job.data);  // the whole newer content carries the waiting one
        else
            queue_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void VerdictWriter::WriteFile(const QString& path, const QByteArray& data)
{
    Enqueue({path, data, {}, false, {}});
}

std::deque<VerdictWriter::Job>::iterator VerdictWriter::AfterAhead()
{
    auto at = queue_.begin();
    while (at != queue_.end() && at->ahead)
        ++at;
    return at;
}

void VerdictWriter::WriteFileAhead(const QString& path, const QByteArray& data)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The newer whole content carries any waiting write of the file; a write of it in
        // progress ends before this one starts.
        for (auto it = queue_.begin(); it != queue_.end();)
            it = !it->task && it->sql.isEmpty() && it->path == path ? queue_.erase(it) : it + 1;
        queue_.insert(AfterAhead(), Job{path, data, {}, true, {}});
    }
    wake_.notify_all();
}

void VerdictWriter::Run(std::function<void()> task)
{
    Job job;
    job.task = std::move(task);
    Enqueue(std::move(job));
}

void VerdictWriter::RunBeside(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(besideMutex_);
        if (besideStop_)
            return;
        besideQueue_.push_back(std::move(task));
        if (!beside_.joinable())
            beside_ = std::thread([this] { RunBesideLoop(); });
    }
    besideWake_.notify_all();
}

void VerdictWriter::RunBesideLoop()
{
    std::unique_lock<std::mutex> lock(besideMutex_);
    for (;;) {
        besideWake_.wait(lock, [this] { return besideStop_ || !besideQueue_.empty(); });
        if (besideStop_)
            return;
        std::function<void()> task = std::move(besideQueue_.front());
        besideQueue_.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

void VerdictWriter::Commit(const QString& database, const QStringList& statements)
{
    if (!statements.isEmpty())
        Enqueue({database, {}, statements, false, {}});
}

bool VerdictWriter::Flush(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!isRunning())
        return queue_.empty();
    return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return queue_.empty() && !writing_ && open_.isEmpty(); });
}

bool VerdictWriter::Drain(int timeoutMs)
{
    if (Flush(timeoutMs))
        return true;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Job& job : queue_)
        qCritical("verdict write to %s not done before the end: %s", qPrintable(job.path),
                  job.task ? "a task" : job.sql.isEmpty() ? job.data.constData() : qPrintable(job.sql.join("; ")));
    return false;
}

bool VerdictWriter::Stop(int timeoutMs)
{
    bool whole = Flush(timeoutMs);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Job& job : queue_)
            qCritical("verdict write to %s not done before the end: %s", qPrintable(job.path),
                      job.task ? "a task" : job.sql.isEmpty() ? job.data.constData() : qPrintable(job.sql.join("; ")));
        missing_ = int(queue_.size()) + (writing_ ? 1 : 0) + leftOutCommits_ + leftOutFiles_.size();
        // What was left out earlier is missing as well, unless a later write of its file carried it.
        if (!leftOutFiles_.isEmpty() || leftOutCommits_ > 0) {
            QStringList files = leftOutFiles_.values();
            files.sort();
            qCritical("verdict writes left out and not written since: %d commits; files: %s", leftOutCommits_,
                      files.isEmpty() ? "none" : qPrintable(files.join(", ")));
            whole = false;
        }
        stop_ = true;
    }
    wake_.notify_all();
    return whole;
}

int VerdictWriter::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(queue_.size()) + (writing_ ? 1 : 0);
}

int VerdictWriter::missing() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return missing_;
}

int VerdictWriter::failures() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_;
}

VerdictWriter::Outcome VerdictWriter::RunSql(const Job& job, QString* error)
{
    const QString name = connectionPrefix_ + job.path;
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (!db.isOpen()) {
        const QString target = CommitTarget(job.path);
        if (target.isEmpty()) {
            *error = QStringLiteral("the file is not there");
            return Missing;
        }
        NameExistingDb(db, target, false, QString("QSQLITE_BUSY_TIMEOUT=%1").arg(busyWaitMs));
        if (!db.open()) {
            *error = db.lastError().text();
            return Lasting(db.lastError()) ? Refused : Failed;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_.contains(name))
            open_ << name;
    }
    const Outcome out = RunStatements(db, job.sql, error);
    if (out != Written)
        db.close();  // the next attempt opens afresh (a file put in place meanwhile)
    return out;
}

VerdictWriter::Outcome VerdictWriter::RunStatements(QSqlDatabase& db, const QStringList& statements, QString* error)
{
    if (!db.transaction()) {
        *error = db.lastError().text();
        return Lasting(db.lastError()) ? Refused : Failed;
    }
    QSqlQuery q(db);
    for (const QString& sql : statements) {
        if (!q.exec(sql)) {
            const QSqlError e = q.lastError();
            *error = e.text() + " | " + sql;
            q.finish();
            db.rollback();
            return Lasting(e) ? Refused : Failed;
        }
    }
    q.finish();
    if (!db.commit()) {
        const QSqlError e = db.lastError();
        *error = e.text();
        db.rollback();
        return Lasting(e) ? Refused : Failed;
    }
    return Written;
}

bool VerdictWriter::CommitNow(const QString& database, const QStringList& statements, QString* error)
{
    const QString name = "verdictWriterNow-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString why;
    bool ok = false;
    const QString target = CommitTarget(database);
    if (target.isEmpty()) {
        why = QStringLiteral("the file is not there");
    } else {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            NameExistingDb(db, target);
            ok = db.open() ? RunStatements(db, statements, &why) == Written : (why = db.lastError().text(), false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!ok)
        qWarning("statistics commit to %s failed: %s", qPrintable(database), qPrintable(why));
    if (error)
        *error = why;
    return ok;
}

VerdictWriter::Outcome VerdictWriter::Write(const Job& job, QString* error)
{
    if (job.task) {
        CloseAll();
        job.task();
        return Written;
    }
    if (!job.sql.isEmpty())
        return RunSql(job, error);
    errno = 0;
    if (!Counters::WriteBytes(job.path, job.data)) {
        const int err = errno;
        *error = QStringLiteral("not written whole");
        if (err != 0)
            *error += ": " + QString::fromLocal8Bit(std::strerror(err));
        // A folder where the file belongs, or a file where its folder belongs, stays until someone
        // moves it: no retry mends it, and the next write of the file carries this content.
        return err == EISDIR || err == ENOTDIR ? Refused : Failed;
    }
    return Written;
}

void VerdictWriter::Close(const QString& name)
{
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
    std::lock_guard<std::mutex> lock(mutex_);
    open_.removeAll(name);
}

void VerdictWriter::CloseAll()
{
    QStringList names;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        names = open_;
    }
    for (const QString& n : names)
        Close(n);
}

void VerdictWriter::run()
{
    QElapsedTimer clock;
    clock.start();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stop_ && !queue_.empty()) {
            failures_ += int(queue_.size());
            queue_.clear();
        }
        if (queue_.empty()) {
            if (!open_.isEmpty()) {
                // Idle: the files are let go (the day change moves the statistics file).
                lock.unlock();
                CloseAll();
                lock.lock();
                continue;
            }
            if (stop_)
                break;
            wake_.notify_all();  // Flush waits for this idle state
            wake_.wait(lock);
            continue;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        writing_ = true;
        lock.unlock();
        QString error;
        const Outcome out = Write(job, &error);
        lock.lock();
        writing_ = false;
        if (out == Written) {
            pathFailingSince_.remove(job.path);
            missingTold_.remove(job.path);
            failTold_.remove(job.path);
            leftOutTold_.remove(job.path);
            if (!job.task && job.sql.isEmpty())
                leftOutFiles_.remove(job.path);  // the whole newer content carries what was left out
            continue;
        }
        if (out == Missing) {
            pathFailingSince_.remove(job.path);
            // Written into no file, so none is made: told once until the file is back.
            ++failures_;
            ++leftOutCommits_;
            if (!missingTold_.contains(job.path))
                qCritical("verdict write to %s left out: %s", qPrintable(job.path), qPrintable(error));
            missingTold_.insert(job.path);
            continue;
        }
        // Each job's own clock: a success of another job (a write ahead, another file) does not
        // hold a failing one up past its bound.
        const qint64 now = clock.elapsed();
        if (job.failingSince < 0)
            job.failingSince = now;
        // A path failing since its bound gives up the jobs behind at their first failure: each of
        // them waiting its own bound would hold the queue back by their number times the bound.
        // A path not tried for a bound starts a streak of its own: an old failure does not count.
        auto since = pathFailingSince_.find(job.path);
        if (since == pathFailingSince_.end() || now - since->second > giveUpMs)
            since = pathFailingSince_.insert(job.path, {job.failingSince, now});
        since->second = now;
        const qint64 failing = std::min(job.failingSince, since->first);
        const bool givenUp = out == Refused || now - failing >= giveUpMs || stop_;
        if (givenUp) {
            ++failures_;
            if (job.sql.isEmpty())
                leftOutFiles_.insert(job.path);
            else
                ++leftOutCommits_;
            // Once per failing path until a write of it succeeds: the stop names how many.
            if (!leftOutTold_.contains(job.path))
                qCritical("verdict write to %s left out: %s", qPrintable(job.path), qPrintable(error));
            leftOutTold_.insert(job.path);
            continue;
        }
        if (!failTold_.contains(job.path))
            qWarning("verdict write to %s failed, tried again: %s", qPrintable(job.path), qPrintable(error));
        failTold_.insert(job.path);
        // A newer write of the same file that is next (or ahead) carries this one, and its clock.
        const auto rest = AfterAhead();
        Job* carrier = nullptr;
        if (job.sql.isEmpty() && !job.task) {
            for (auto it = queue_.begin(); it != rest && !carrier; ++it)
                if (it->path == job.path)
                    carrier = &*it;
            if (!carrier && rest != queue_.end() && !rest->task && rest->sql.isEmpty() && rest->path == job.path)
                carrier = &*rest;
        }
        if (carrier) {
            if (carrier->failingSince < 0 || carrier->failingSince > job.failingSince)
                carrier->failingSince = job.failingSince;
        } else {
            queue_.insert(job.ahead ? queue_.begin() : rest, std::move(job));
        }
        wake_.notify_all();
        wake_.wait_for(lock, std::chrono::milliseconds(retryPauseMs), [this] { return stop_; });
    }
}
