#pragma once
// Test helpers for record databases: an empty RECORD table like RECORDNULL.db, and its rows.
#include <QList>
#include <QString>
#include <QSqlDatabase>
#include <QStringList>

// Creates `path` holding an empty table RECORD(recordtime, recordpassword, remarks) and
// inserts `rows` (three texts each). False on any failure.
bool MakeRecordDb(const QString& path, const QList<QStringList>& rows = {});
// `count` rows of a busy day, one a minute from 06.00.00: "operation <n> of the long day".
QList<QStringList> LongDayRows(int count);
// Every row of table RECORD in `path`, in insertion order.
QList<QStringList> RecordRows(const QString& path);
// The rows of a program directory's record over days: the days moved to RECORD/<date>.db at
// midnight, oldest first, then RECORD.db.
QList<QStringList> RecordRowsOverDays(const QString& programDir);
// Whether a row of the record holds exactly `text`.
bool RecordedRow(const QString& text, const QString& path = "RECORD.db");

// Holds an exclusive lock on an SQLite file (as another program may) until Unlock or the end.
class DbLocker {
public:
    explicit DbLocker(const QString& file);
    ~DbLocker() { Unlock(); }
    bool locked() const { return locked_; }
    void Unlock();

private:
    QString name_;
    QSqlDatabase db_;
    bool locked_ = false;
};
