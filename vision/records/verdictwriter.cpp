#include "vision/records/verdictwriter.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtDebug>
#include <chrono>

#include "vision/records/counters.h"

VerdictWriter::VerdictWriter(QObject* parent)
    : QThread(parent), connectionPrefix_("verdictWriter-" + QUuid::createUuid().toString(QUuid::WithoutBraces) + "-")
{
}

VerdictWriter::~VerdictWriter()
{
    if (isRunning()) {
        if (!Flush(flushMs))
            qCritical("verdict writer: %d jobs not written at the end", pending());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        wait();
    }
}

void VerdictWriter::Enqueue(Job job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void VerdictWriter::WriteFile(const QString& path, const QByteArray& data)
{
    Enqueue({path, data, {}});
}

void VerdictWriter::Commit(const QString& database, const QStringList& statements)
{
    if (!statements.isEmpty())
        Enqueue({database, {}, statements});
}

bool VerdictWriter::Flush(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!isRunning())
        return queue_.empty();
    return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return queue_.empty() && !writing_ && open_.isEmpty(); });
}

int VerdictWriter::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(queue_.size());
}

int VerdictWriter::failures() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_;
}

bool VerdictWriter::RunSql(const Job& job, QString* error)
{
    const QString name = connectionPrefix_ + job.path;
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (!db.isOpen()) {
        db.setDatabaseName(job.path);
        db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(busyWaitMs));
        if (!db.open()) {
            *error = db.lastError().text();
            return false;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        open_ << name;
    }
    return RunStatements(db, job.sql, error);
}

bool VerdictWriter::RunStatements(QSqlDatabase& db, const QStringList& statements, QString* error)
{
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    for (const QString& sql : statements) {
        if (!q.exec(sql)) {
            *error = q.lastError().text() + " | " + sql;
            q.finish();
            db.rollback();
            return false;
        }
    }
    q.finish();
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool VerdictWriter::CommitNow(const QString& database, const QStringList& statements, QString* error)
{
    const QString name = "verdictWriterNow-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString why;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(database);
        ok = db.open() ? RunStatements(db, statements, &why) : (why = db.lastError().text(), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        qWarning("statistics commit to %s failed: %s", qPrintable(database), qPrintable(why));
    if (error)
        *error = why;
    return ok;
}

bool VerdictWriter::Write(const Job& job, QString* error)
{
    if (!job.sql.isEmpty())
        return RunSql(job, error);
    if (!Counters::WriteBytes(job.path, job.data)) {
        *error = QStringLiteral("not written");
        return false;
    }
    return true;
}

void VerdictWriter::CloseAll()
{
    QStringList names;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        names = open_;
    }
    for (const QString& n : names) {
        QSqlDatabase::database(n, false).close();
        QSqlDatabase::removeDatabase(n);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    open_.clear();
}

void VerdictWriter::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
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
        const Job job = queue_.front();
        writing_ = true;
        lock.unlock();
        QString error;
        const bool ok = Write(job, &error);
        if (!ok)
            qWarning("verdict write to %s failed: %s", qPrintable(job.path), qPrintable(error));
        lock.lock();
        writing_ = false;
        queue_.pop_front();
        if (!ok)
            ++failures_;
    }
}
