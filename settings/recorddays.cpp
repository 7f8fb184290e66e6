#include "settings/recorddays.h"

#include <QDir>
#include <QHeaderView>
#include <QSqlTableModel>
#include <QTableView>

#include "widgets/textrow.h"

QStringList RecordDays(const QString& archiveDir, const QDate& today)
{
    QStringList days{today.toString("yyyy-MM-dd")};
    const QStringList files = QDir(archiveDir).entryList({"*.db"}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (int i = files.size() - 1; i >= 0; --i) {
        QString day = files.at(i);
        day.chop(3);
        days << day;
    }
    return days;
}

QSqlTableModel* NewRecordModel(QObject* parent, const QSqlDatabase& db)
{
    auto* model = new QSqlTableModel(parent, db);
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    model->setTable("RECORD");
    model->setSort(0, Qt::DescendingOrder);
    model->select();
    const int headers[3] = {288, 289, 290};
    for (int c = 0; c < 3; ++c)
        model->setHeaderData(c, Qt::Horizontal, textRow(headers[c]));
    return model;
}

void ShowRecordModel(QTableView* table, QSqlTableModel* model)
{
    table->setModel(model);
    table->verticalHeader()->hide();
    const int widths[3] = {120, 125, 1330};
    for (int c = 0; c < 3; ++c)
        table->setColumnWidth(c, widths[c]);
}
