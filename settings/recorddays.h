#pragma once
// The days the system-log page lists: today (RECORD.db) first, then the archived days
// "<yyyy-MM-dd>.db" of the record-archive folder, newest first.
#include <QDate>
#include <QString>
#include <QStringList>

QStringList RecordDays(const QString& archiveDir, const QDate& today);

class QObject;
class QSqlDatabase;
class QSqlTableModel;
class QTableView;

// A model of table RECORD on `db`, newest first, with the header texts; owned by `parent`.
QSqlTableModel* NewRecordModel(QObject* parent, const QSqlDatabase& db);
// Puts the model on the log table: no row numbers, the three column widths.
void ShowRecordModel(QTableView* table, QSqlTableModel* model);
