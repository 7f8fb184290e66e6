#pragma once
// The reminders page of the settings screen: the plant server's reminders for this machine,
// read-only, refilled from the report client's SessionId 17 reply while the page shows.
#include <QList>
#include <QStringList>

#include "widgets/bwidget.h"

class PageControlBar;
class QStandardItemModel;
class QTableView;

// The cell texts of a reminder-list reply. `parsed` is false for malformed JSON or no "result"
// (the table stays); `count` is the size of "result". Reading stops at the first missing element
// or key: the rows before it are whole, the last row holds the columns read before the gap.
struct RemindReply {
    bool parsed = false;
    int count = 0;
    QList<QStringList> rows;
};
RemindReply ParseRemindReply(const QString& body);

class MemorandumWidget : public BWidget {
    Q_OBJECT
public:
    explicit MemorandumWidget(QWidget* parent = nullptr);

    // Refills the table from a reply body; a reply while the page is hidden changes nothing.
    void cnt_reset_remind(const QString& body);

    QTableView* table() const { return table_; }
    QStandardItemModel* model() const { return model_; }

private:
    QTableView* table_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    PageControlBar* paging_ = nullptr;
};
