#include "vision/records/operationrecord.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtDebug>

#include "core/uitexttable.h"
#include "vision/records/recordwriter.h"

namespace {
constexpr int kRowAdvanced = 154;
constexpr int kRowPrimary = 155;
constexpr int kRowUnlogged = 156;
} // namespace

OperationRecord::OperationRecord() = default;
OperationRecord::~OperationRecord() = default;

void OperationRecord::StartWriter()
{
    if (writer_)
        return;
    writer_ = std::make_unique<RecordWriter>(file);
    writer_->start();
}

bool OperationRecord::Flush(int timeoutMs)
{
    return !writer_ || writer_->Flush(timeoutMs);
}

bool OperationRecord::Drain(int timeoutMs)
{
    return !writer_ || writer_->Drain(timeoutMs);
}

QString OperationRecord::LevelText(int userLevel)
{
    const int row = userLevel == 2 ? kRowAdvanced : userLevel == 1 ? kRowPrimary : kRowUnlogged;
    return gaLanStr[row * 3 + gLan];
}

bool OperationRecord::Open()
{
    QSqlDatabase db = QSqlDatabase::contains(connection)
                          ? QSqlDatabase::database(connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    if (db.databaseName().isEmpty())
        db.setDatabaseName(file);
    return db.isOpen() || db.open();
}

bool OperationRecord::InsertRecord(const QString& text, int userLevel)
{
    return InsertRecordAt(clock ? clock() : QDateTime::currentDateTime(), text, userLevel);
}

bool OperationRecord::InsertRecordAt(const QDateTime& now, const QString& text, int userLevel)
{
    if (!writer_ && !Open())
        return false;
    const QString time = now.toString(QStringLiteral("hh.mm.ss"));
    const QString level = LevelText(userLevel);
    if (writer_) {
        if (reporter)
            reporter(now, level, text);
        // The writer files the row in the record of the day it was made on.
        writer_->Enqueue({time, level, text, now.date().toString(QStringLiteral("yyyy-MM-dd"))});
        return true;
    }

    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("INSERT INTO RECORD(recordtime, recordpassword, remarks) VALUES(?, ?, ?)"));
    q.addBindValue(time);
    q.addBindValue(level);
    q.addBindValue(text);
    if (reporter)
        reporter(now, level, text);
    if (!q.exec()) {
        qDebug() << "record row dropped:" << q.lastError().text();
        return false;
    }
    return true;
}

bool OperationRecord::ClearRecord()
{
    if (writer_ && !writer_->Flush(5000))
        qWarning("record cleared with rows still waiting to be written");
    if (!Open())
        return false;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    return q.exec(QStringLiteral("DELETE FROM RECORD"));
}

void OperationRecord::FlushAll(const std::function<void(int)>& pause)
{
    for (const char* name : {"dbT", "dbIn", "dbRecord"}) {
        const QString n = QString::fromLatin1(name);
        if (QSqlDatabase::contains(n))
            QSqlDatabase::database(n, false).close();
    }
    if (pause)
        pause(500);
    else
        QThread::msleep(500);
}
