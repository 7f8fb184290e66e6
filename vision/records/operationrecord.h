#pragma once
// The operation record of the day: table RECORD of RECORD.db (connection "dbRecord"), one row per
// operator-visible event: the time of day "hh.mm.ss", the access level's text and the event text.
// The main window's InsertRecord, ClearRecord and FLushAll are thin calls into this class.
#include <functional>
#include <memory>
#include <QDateTime>
#include <QString>

class RecordWriter;

class OperationRecord {
public:
    using Reporter = std::function<void(const QDateTime& when, const QString& level, const QString& text)>;

    OperationRecord();
    ~OperationRecord();

    // Appends one row; the texts are bound values, so quotes and any other characters are
    // stored unchanged. Without a writer: written at once, false when the row was dropped (record
    // not openable, statement failed). With one: queued (true), written in order on its thread.
    bool InsertRecord(const QString& text, int userLevel);
    // The same with the moment of the row given (the caller decided its day by it).
    bool InsertRecordAt(const QDateTime& now, const QString& text, int userLevel);
    // Deletes every row of the day's record (after the queued rows).
    bool ClearRecord();
    // From now on rows go through a writer thread (the monitoring controller: a locked RECORD.db
    // must not stall the cycle).
    void StartWriter();
    RecordWriter* writer() const { return writer_.get(); }
    // Waits until the queued rows are written (at most `timeoutMs`); true when none is left.
    bool Flush(int timeoutMs = 5000);
    // The same before an exit or restart; rows still waiting are logged critical with their text.
    bool Drain(int timeoutMs = 5000);
    // Opens the connection when it is not open (adding it on first use).
    bool Open();

    // The access level's text in the language in force: 2 "Advanced", 1 "Primary", else "Unlogged".
    static QString LevelText(int userLevel);
    // Closes "dbT", "dbIn" and "dbRecord", then pauses 500 ms (through `pause`) so that the
    // files can be copied or the computer restarted.
    static void FlushAll(const std::function<void(int ms)>& pause = {});

    QString connection = QStringLiteral("dbRecord");
    QString file = QStringLiteral("RECORD.db");
    // Time source; the local time by default.
    std::function<QDateTime()> clock;
    // Called for every row before it is written; the main window sends it to the report server
    // when network reporting is on and the server is set up.
    Reporter reporter;

private:
    std::unique_ptr<RecordWriter> writer_;
};
