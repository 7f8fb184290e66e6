#pragma once
// The databases the program ships: PARAM.db (parameters and the empty region tables of the eight
// camera views) and SN.db (no camera bound to any slot). Used for ./paraGroup/default/, for a
// fresh program directory and by tests.
#include <QString>

class WizardPara;

// The record the shipped PARAM.db holds: what a load keeps after its range checks, with the
// alarm output inverted as the store inserts it.
WizardPara DefaultParameterRecord();

// Creates `dir` if needed and writes dir/PARAM.db and dir/SN.db, replacing existing files.
// Returns false with a reason in `error` when either could not be written; an existing file is
// then left as it was.
bool CreateDefaultDatabases(const QString& dir, QString* error = nullptr);

// One file each, written whole (temporary file, renamed): the shipped PARAM.db, the shipped SN.db,
// and an empty operation record (the table of RECORDNULL.db). False with a reason in `error`.
bool WriteDefaultParamDb(const QString& path, QString* error = nullptr);
bool WriteDefaultSerialDb(const QString& path, QString* error = nullptr);
bool WriteEmptyRecordDb(const QString& path, QString* error = nullptr);
