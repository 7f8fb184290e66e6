#pragma once
// The three databases the controller opens at start-up (parameters, operation record, camera
// serials). A damaged or missing file is not opened blindly (SQLite would open garbage and create
// a missing file empty): it is warned about in English (no language is loaded yet), kept aside
// under a time-stamped name, replaced by its default copy, and a reboot is asked for. A file locked
// by another program is warned about as busy and left alone. The caller must then stop its
// initialisation.
#include <functional>
#include <QDate>
#include <QList>
#include <QString>

#include "vision/controller/databaseguard.h"

struct StartupDatabase {
    QString connection;   // Qt connection name
    QString file;         // in the working directory
    QString table;        // the table a sound file holds
    QString defaultFile;  // the copy that replaces a damaged one
    int warnRow;          // text row of the warning (shown in English)
    int pauseMs;          // pause between the copy and the reboot
    // Writes a sound default from the program's own built-in defaults: a default copy that cannot
    // be opened is never placed (it would be found damaged again at every start).
    bool (*makeDefault)(const QString& path, QString* error);
    bool markReplaced;    // the next start holds the mould until the operator confirms
};

class StartupDatabases {
public:
    StartupDatabases();

    // PARAM.db ("dbIn"), RECORD.db ("dbRecord"), SN.db ("dbT"), in this order.
    static QList<StartupDatabase> List();

    // Checks and opens each database in order on its connection. At the first damaged one: warn,
    // keep it aside, put the default copy in place (rebuilt first when it is damaged itself), pause,
    // reboot; returns false (stop). True when all three are open.
    bool OpenAll();

    // A day rotation of the record was found half done (the record day's archive sound, no
    // RECORD.db) and finished: what was done, for the log once it is open (empty when not).
    QString rotationFinished;

    // Name the damaged file was kept under (empty when none was moved).
    QString asideName;
    // What was wrong with it.
    QString damage;
    // The default copy was damaged too: kept aside under this name, a new one built (empty when
    // not).
    QString defaultAside;
    // Neither the default copy nor one built from the built-in defaults could be placed: warned
    // (row kNoDefaultRow, naming the file), no reboot; the caller stops.
    bool noDefault = false;
    static constexpr int kDefaultRebuiltRow = 626;
    static constexpr int kNoDefaultRow = 627;
    // The file was locked by another program for longer than busyWaitMs: warned (row 614), left
    // as it was, no reboot; the caller stops.
    bool busy = false;
    int busyWaitMs = DatabaseGuard::kBusyWaitMs;
    static constexpr int kBusyRow = 614;

    std::function<void(const QString& text)> warn;  // the modal warning
    std::function<void(int ms)> pause;
    std::function<void()> reboot;                   // "reboot"
    std::function<QDate()> today;                   // the day a finished rotation moves to

private:
    // The default copy of `d` can be placed: sound, or rebuilt (the damaged one kept aside).
    bool SoundDefault(const StartupDatabase& d);
    // RECORD.db missing after a rotation that archived it: the empty record is put in place.
    bool FinishLeftRotation(const StartupDatabase& d);
};
