#pragma once
// The operation record of the day: table RECORD of RECORD.db (connection "dbRecord"), one row per
// operator-visible event: the time of day "hh.mm.ss", the access level's text and the event text.
// The main window's InsertRecord, ClearRecord and FLushAll are thin calls into this class.
#include <functional>
#include <QDateTime>
#include <QString>

class OperationRecord {
public:
    using Reporter = std::function<void(const QDateTime& when, const QString& level, const QString& text)>;

    OperationRecord();

    // Appends one row; the texts are bound values, so quotes and any other characters are
    // stored unchanged. False when the row was dropped (record not openable, statement failed).
    bool InsertRecord(const QString& text, int userLevel);
    // Deletes every row of the day's record.
    bool ClearRecord();
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
};
