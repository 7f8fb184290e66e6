#include "vision/records/recordwriter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <chrono>

#include "core/existingdb.h"

RecordWriter::RecordWriter(const QString& file)
    : file_(QFileInfo(file).absoluteFilePath()), connection_("recordWriter-" + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    clock_.start();
}

RecordWriter::~RecordWriter()
{
    if (isRunning()) {
        Flush(flushMs);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        wait();
    }
    QSqlDatabase::removeDatabase(connection_);
}

void RecordWriter::Enqueue(const Row& row)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(row);
    }
    wake_.notify_all();
}

bool RecordWriter::Flush(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!isRunning())
        return queue_.empty();
    return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return (queue_.empty() || held_ || WaitsForItsDay()) && !writing_ && !open_; })
           && queue_.empty();
}

bool RecordWriter::Drain(int timeoutMs)
{
    if (Flush(timeoutMs))
        return true;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Row& row : queue_)
        qCritical("record row not written before the end: %s | %s | %s", qPrintable(row.time),
                  qPrintable(row.level), qPrintable(row.text));
    return queue_.empty();
}

bool RecordWriter::Hold(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    held_ = true;
    wake_.notify_all();
    return !isRunning()
           || wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !writing_ && !open_; });
}

void RecordWriter::Release()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
    }
    wake_.notify_all();
}

void RecordWriter::SetDay(const QString& day)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        day_ = day;
    }
    wake_.notify_all();
}

bool RecordWriter::FinishDay(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto done = [this] { return (queue_.empty() || WaitsForItsDay()) && !writing_ && !open_; };
    if (!isRunning())
        return done();
    return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

bool RecordWriter::WaitsForItsDay() const
{
    return !queue_.empty() && !day_.isEmpty() && !queue_.front().day.isEmpty() && queue_.front().day != day_;
}

int RecordWriter::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(queue_.size());
}

int RecordWriter::givenUp() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return givenUp_;
}

void RecordWriter::Close()
{
    if (open_)
        QSqlDatabase::database(connection_, false).close();
    open_ = false;
}

namespace {
// A file SQLite finds damaged or no database at all: the writer never makes RECORD.db, so no
// retry mends it.
bool Unreadable(const QSqlError& e)
{
    const int code = e.nativeErrorCode().toInt() & 0xff;
    return code == 11 || code == 26;
}
}  // namespace

bool RecordWriter::Write(const Row& row, QString* error, bool* lasting)
{
    QSqlDatabase db = QSqlDatabase::contains(connection_) ? QSqlDatabase::database(connection_, false)
                                                          : QSqlDatabase::addDatabase("QSQLITE", connection_);
    if (!open_) {
        // Never makes the file: a RECORD.db that is away (a day rotation that could not put the
        // empty one in place) must not come back as an empty file without its table.
        NameExistingDb(db, file_, false, QString("QSQLITE_BUSY_TIMEOUT=%1").arg(busyWaitMs));
        if (!db.open()) {
            *error = db.lastError().text();
            *lasting = Unreadable(db.lastError());
            return false;
        }
        open_ = true;
    }
    QSqlQuery q(db);
    // Preparing reads the schema, so a locked file may already refuse here.
    if (q.prepare(QStringLiteral("INSERT INTO RECORD(recordtime, recordpassword, remarks) VALUES(?, ?, ?)"))) {
        q.addBindValue(row.time);
        q.addBindValue(row.level);
        q.addBindValue(row.text);
        if (q.exec())
            return true;
    }
    *error = q.lastError().text();
    *lasting = Unreadable(q.lastError());
    // A file put in place under the open connection (day rotation) needs a fresh open.
    q.finish();
    Close();
    return false;
}

void RecordWriter::run()
{
    qint64 failingSince = -1;
    bool told = false;  // the failure is logged once until a row is written again
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (queue_.empty() || held_ || WaitsForItsDay()) {
            if (open_) {
                lock.unlock();
                Close();
                lock.lock();
                continue;
            }
            if (stop_)
                break;
            wake_.notify_all();  // Flush and Hold wait for this idle state
            wake_.wait(lock);
            continue;
        }
        const Row row = queue_.front();
        writing_ = true;
        lock.unlock();
        QString error;
        bool lasting = false;
        const bool ok = Write(row, &error, &lasting);
        lock.lock();
        writing_ = false;
        if (ok) {
            queue_.pop_front();
            failingSince = -1;
            told = false;
            continue;
        }
        const qint64 now = clockMs ? clockMs() : clock_.elapsed();
        if (failingSince < 0) {
            failingSince = now;
            if (!lasting && !told)
                qWarning("record row waits: %s", qPrintable(error));
            told = true;
        }
        if (lasting || now - failingSince >= giveUpMs || stop_) {
            qCritical("record row not written after %lld ms (%s): %s | %s | %s",
                      static_cast<long long>(now - failingSince), qPrintable(error), qPrintable(row.time),
                      qPrintable(row.level), qPrintable(row.text));
            queue_.pop_front();
            ++givenUp_;
            failingSince = -1;
            continue;
        }
        wake_.notify_all();
        wake_.wait_for(lock, std::chrono::milliseconds(retryPauseMs), [this] { return held_; });
    }
    lock.unlock();
    Close();
}
