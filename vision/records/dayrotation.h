#pragma once
// Day rotation of the operation record: RECORD.db holds the rows of one day (the record day,
// kept in time.txt). At the first check on another day the file is moved into the archive
// directory as "<record day>.db" and an empty copy of RECORDNULL.db takes its place.
// No row is ever lost: the archive is a checked rename, the empty record is put in place only
// after it, and a failed step leaves the day's record where it was for the next try.
#include <QByteArray>
#include <QDate>
#include <QString>

class DayRotation {
public:
    DayRotation();

    // Start-up: the record day is the first word of time.txt. When the file is missing, cannot be
    // read or holds no valid "yyyy-MM-dd" date, the day is that of RECORD.db's last change when
    // the record holds rows of an earlier day (so they are archived under it, not kept as
    // today's), else `today`; a damaged file is kept aside and the day written into time.txt.
    void LoadDay(const QDate& today);
    // The check of the day timer. True when the record belongs to `today` (already, or after a
    // completed rotation); false when the rotation failed and must be tried again.
    bool CheckDate(const QDate& today);
    // Ends a rotation whose archive step was done but whose empty record was not put in place
    // (the record file missing): the empty record is put in place and the day becomes `today`.
    bool FinishRotation(const QDate& today);
    // The day stored in the day file (its first word), empty when it holds no valid day.
    QString StoredDay() const;
    // The day's archive written last ("<day>.db" or the highest "<day>_<n>.db"), empty when none.
    QString LastArchiveOf(const QString& recordDay) const;

    QString recordDay() const { return day; }
    void setRecordDay(const QString& d) { day = d; }
    // After LoadDay: the day file was damaged, or missing while the record held an earlier day's rows.
    bool dayFileBad() const { return bad; }
    // After LoadDay: where the damaged day file was kept (empty when none was).
    QString keptAside() const { return aside; }
    // File name of the last archive written (empty when none).
    QString lastArchive() const { return archived; }

    // Paths, relative to the working directory unless set otherwise.
    QString recordFile = QStringLiteral("RECORD.db");
    QString emptyFile = QStringLiteral("RECORDNULL.db");
    QString archiveDir = QStringLiteral("./RECORD");
    QString dayFile = QStringLiteral("time.txt");
    QString connection = QStringLiteral("dbRecord");

    static QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }
    static bool IsDayText(const QString& text);
    // Writes `data` to `path` through a temporary file and a rename.
    static bool WriteAtomic(const QString& path, const QByteArray& data);

private:
    QString ArchiveName() const;
    bool PutEmptyRecord();
    QDate RecordChanged() const;

    QString day;
    QString archived;
    bool bad = false;
    QString aside;
};
