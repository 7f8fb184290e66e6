#pragma once
// The file work of a statistics day change: the closed day leaves "ResStatistics.db" for the
// archive directory and a fresh file takes the new day. Each step leaves every written count on
// the disk, so a stop, a crash or a power cut at any point loses nothing of it:
// 1. the fresh file is made beside the file under a temporary name ("ResStatistics.db.new"); one
//    that cannot be made whole (a full directory) leaves everything as it was, and the day
//    change is tried again;
// 2. the closed day's file is set aside beside it as "ResStatistics-<day>.db" and the fresh file
//    takes its name (renames in one directory: no space needed, and peers find today's file).
//    A fresh file that cannot take its name yet is kept with today's counts (commits go into it
//    meanwhile, see VerdictWriter): a later try, or the next start, puts it in place;
// 3. each day set aside goes into the archive directory as "<day>.db", whole or not at all (a
//    copy across file systems is made under a temporary name and renamed into place). A day that
//    cannot go yet stays set aside and goes with a later try, also after a restart.
// Keeps no state; runs on any thread, with SQLite connections of its own.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class DayArchive {
public:
    static const char* const kCreateTable;  // the statistics table

    // One try of a day change. `held`: the day in `file` (empty when none is left there), with
    // `heldRows` to be written into it first; `apart`: days closed while no fresh file could be
    // made, with their rows (kept in memory until now); `newDay`: the day the fresh file starts,
    // with `freshRows` (empty: no fresh file is needed, only the archive step runs).
    struct Move {
        QString file, templ, archiveDir;
        QString held;
        QStringList heldRows;
        QList<QPair<QString, QStringList>> apart;
        QString newDay;
        QStringList freshRows;
        bool archive = true;  // step 3 as well (false: it runs apart, ArchiveWaiting)
        // Outcome: `held` is cleared once its day is on the disk outside `file`, and `apartDone`
        // counts the days of `apart` on the disk; the archives made; the days still set aside;
        // the reason of the last failure.
        int apartDone = 0;
        QString setAside;        // the name the closed day was set aside under by this try
        bool freshKept = false;  // today's counts are in the fresh file, which has not its name yet
        bool archiveFailed = false;
        QString freshSetAside;   // an unreadable fresh file was set aside under this name
        QStringList archived;
        int waiting = 0;
        QString error;
    };
    // Steps 1 to 3. True when the new day has its fresh file (days may still wait for the
    // archive: `waiting`).
    static bool Run(Move& m);
    // Step 3 alone.
    static bool ArchiveWaiting(const QString& file, const QString& archiveDir, QStringList* archived,
                               QString* error);
    // The days set aside beside `file`, oldest first.
    static QStringList Waiting(const QString& file);
    // A fresh file SQLite cannot read (damaged, or no database) is set aside beside the file as
    // "<file>.new-unreadable-<n>" and the change goes on; only the latest ones are kept.
    static constexpr int kUnreadableKept = 5;
    // At a start: a change stopped before its end left the fresh file under its temporary name.
    // It is put in place (or copied there) when `file` is missing or empty, or holds an earlier
    // day, which is set aside first. A fresh file of an earlier day than the file's, or whose day
    // cannot be told apart from it, goes with the closed days; one never made whole is removed;
    // an unreadable one is set aside (its new name is returned, else empty).
    static QString FinishInterrupted(const QString& file);
    // SQLite finds `path` damaged or no database (not merely held by another).
    static bool Unreadable(const QString& path);
    // The statistics day stamped in the statistics file `path` (0: none, no table, empty or not
    // there; -1: it cannot be read, as while another holds it locked).
    static int StampOf(const QString& path);
    // Where the archive of `day` goes: a new name beside a whole archive of the same date (the
    // clock was set back), the name of an empty leftover of a failed copy.
    static QString ArchiveTarget(const QString& dir, const QString& day);
};
