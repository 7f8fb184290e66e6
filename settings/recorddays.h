#pragma once
// The days the system-log page lists: today (RECORD.db) first, then the archived days
// "<yyyy-MM-dd>.db" of the record-archive folder, newest first.
#include <QDate>
#include <QString>
#include <QStringList>

QStringList RecordDays(const QString& archiveDir, const QDate& today);

// Header texts (rows 288-290) and column widths of the record table.
constexpr int kRecordHeaderRows[3] = {288, 289, 290};
constexpr int kRecordColumnWidths[3] = {120, 125, 1330};
