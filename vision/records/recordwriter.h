#pragma once
// Writes operation record rows on a thread of its own, so that a RECORD.db held locked by another
// program never stalls the monitoring cycle. Rows are written in the order they came; a row that
// cannot be written is retried (the file busy, or briefly away during the day rotation) and only
// after `giveUpMs` of its own failures logged critical with its text and given up (at once when
// SQLite finds the file damaged or no database: the writer never makes it). The rows behind it
// are written then; the stop names the rows given up (givenUp()). A row of another day
// than the file's waits until the day rotation has put that day's file in place.
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class RecordWriter : public QThread {
public:
    struct Row {
        QString time;
        QString level;
        QString text;
        QString day;  // "yyyy-MM-dd" of the row; empty: any file takes it
    };

    // `file` is taken relative to the working directory of now; it must exist to take rows.
    explicit RecordWriter(const QString& file);
    ~RecordWriter() override;  // writes what is queued (within `flushMs`), then stops

    // Queues one row; never blocks on the file.
    void Enqueue(const Row& row);
    // Waits until every queued row is written or given up and the file is closed; false when
    // `timeoutMs` ran out first.
    bool Flush(int timeoutMs);
    // Flush before the process ends or the machine restarts: every row still waiting when
    // `timeoutMs` ran out is logged critical with its text; false then.
    bool Drain(int timeoutMs);
    // While held nothing is written and the file is closed (the day rotation moves it); Hold
    // waits for a write in progress, at most `timeoutMs`, and is false when that ran out.
    bool Hold(int timeoutMs);
    void Release();
    // Waits until every row of the file's day is written (the rows left, if any, are of a later
    // day) and the writer is idle; false when `timeoutMs` ran out first.
    bool FinishDay(int timeoutMs);
    // The day of the file rows go into now (empty: rows of every day are written).
    void SetDay(const QString& day);
    int pending() const;
    int givenUp() const;

    int busyWaitMs = 100;    // SQLite's own wait for the lock, per attempt
    int retryPauseMs = 100;  // between attempts
    int giveUpMs = 60000;    // a row failing this long is given up
    int flushMs = 5000;      // the destructor's wait for the queue
    // Monotonic time in ms; tests may replace it (the writer's own clock when empty).
    std::function<qint64()> clockMs;

protected:
    void run() override;

private:
    bool Write(const Row& row, QString* error, bool* lasting);
    bool WaitsForItsDay() const;  // under mutex_
    void Close();

    QString file_;
    QString connection_;
    QElapsedTimer clock_;
    std::atomic<bool> open_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Row> queue_;
    bool writing_ = false;
    bool held_ = false;
    QString day_;
    bool stop_ = false;
    int givenUp_ = 0;
};
