#pragma once
// The "system log" page: the days with an operation record on the left, the chosen day's rows on
// the right (filled by the settings screen), a paging bar below that pages the table by its
// vertical scroll bar.
#include "settings/logpaging.h"
#include "widgets/bwidget.h"

class QLabel;
class QListWidget;
class QTableView;
class PageControlBar;

class SystemLogWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemLogWidget(QWidget* parent = nullptr);

    // Pages of the view's model at the view's size; -1 without a view. Every row is fetched
    // first: a table model brings its rows in 256 at a time.
    int pageCount(QTableView* view);

    QListWidget* dayList() const { return dayList_; }
    QTableView* table() const { return table_; }
    QLabel* label() const { return label_; }
    PageControlBar* pageBar() const { return pageBar_; }
    int pagesFound() const { return pagesFound_; }

public slots:
    void modelChange();
    void slotQSliderValue(int value);
    void pageHome();
    void pageUp();
    void pageDown();
    void pageTo(int page);
    void pageEnd();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Recounts the rows and sizes into paging_.
    void measure();
    // Moves the scroll bar by a paging step (nothing while no page was found).
    void stepBy(int (LogPaging::*to)(int) const);

    QListWidget* dayList_;
    QTableView* table_;
    QLabel* label_;
    PageControlBar* pageBar_;
    LogPaging paging_;
    int pagesFound_ = 0;
};
