#include "settings/systemlogwidget.h"

#include <QAbstractItemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "widgets/blineedit.h"
#include "widgets/pagecontrolbar.h"

SystemLogWidget::SystemLogWidget(QWidget* parent) : BWidget(parent)
{
    setObjectName("SystemLogWidget");
    QFont font("wqy-microhei");
    font.setPixelSize(15);

    dayList_ = new QListWidget(this);
    dayList_->setFixedSize(200, 810);
    dayList_->setFont(font);
    table_ = new QTableView(this);
    table_->setFixedSize(1170, 810);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFont(font);
    table_->setStyleSheet("QHeaderView::section{font: max_datapt}");
    label_ = new QLabel(this);
    label_->setStyleSheet("font-size:20px;color:#656263;");
    pageBar_ = new PageControlBar(this);

    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(dayList_);
    top->addWidget(table_);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(10, 10, 10, 10);
    bottom->addWidget(label_);
    bottom->addWidget(pageBar_);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addLayout(bottom);

    setStyleSheet("QScrollBar:vertical{width:30px;background:transparent;background-color:rgb(246, 248, 248);"
                  "margin:2px,2px,2px,2px;padding-top:0px;padding-bottom:0px;}"
                  "QScrollBar:horizontal{height:30px;background:transparent;background-color:rgb(248, 248, 248);"
                  "padding-left:30px;padding-right:30px;}"
                  "QScrollBar::handle{height:30px;background:lightgray; border:2px solid transparent; "
                  "border-radius:5px;}");

    connect(pageBar_->firstButton(), &QPushButton::clicked, this, &SystemLogWidget::pageHome);
    connect(pageBar_->previousButton(), &QPushButton::clicked, this, &SystemLogWidget::pageUp);
    connect(pageBar_->nextButton(), &QPushButton::clicked, this, &SystemLogWidget::pageDown);
    connect(pageBar_->lastButton(), &QPushButton::clicked, this, &SystemLogWidget::pageEnd);
    connect(pageBar_->pageField(), &QLineEdit::textChanged, this, [this](const QString& text) {
        bool ok = false;
        const int page = text.toInt(&ok);
        if (ok && page > 0)
            pageTo(page);
    });
    for (int n = 1; n <= 4; ++n)
        connect(pageBar_->pageButton(n), &QPushButton::clicked, this, [this, n] { pageTo(n); });
}

namespace {
LogPaging Measure(QTableView* view)
{
    LogPaging p;
    QAbstractItemModel* model = view->model();
    if (model) {
        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
    }
    // The scroll range follows the rows only after a layout pass.
    view->doItemsLayout();
    p.rows = model ? model->rowCount() : 0;
    p.rowHeight = p.rows > 0 ? view->rowHeight(0) : 0;
    p.viewHeight = view->height();
    p.scrollMax = view->verticalScrollBar()->maximum();
    return p;
}
}  // namespace

void SystemLogWidget::measure()
{
    paging_ = Measure(table_);
}

int SystemLogWidget::pageCount(QTableView* view)
{
    if (!view)
        return -1;
    const LogPaging p = Measure(view);
    if (view == table_)
        paging_ = p;
    return p.pageCount();
}

void SystemLogWidget::showEvent(QShowEvent* event)
{
    pagesFound_ = pageCount(table_);
    BWidget::showEvent(event);
}

void SystemLogWidget::modelChange()
{
    pagesFound_ = pageCount(table_);
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged, this, &SystemLogWidget::slotQSliderValue,
            Qt::UniqueConnection);
    table_->verticalScrollBar()->setValue(0);
}

void SystemLogWidget::slotQSliderValue(int value)
{
    if (pagesFound_ == 0)
        return;
    const int button = paging_.indicatorButton(value);
    if (button > 0)
        pageBar_->pageButton(button)->setChecked(true);
}

void SystemLogWidget::pageHome()
{
    table_->verticalScrollBar()->setValue(0);
}

void SystemLogWidget::pageUp()
{
    stepBy(&LogPaging::upFrom);
}

void SystemLogWidget::pageDown()
{
    stepBy(&LogPaging::downFrom);
}

void SystemLogWidget::stepBy(int (LogPaging::*to)(int) const)
{
    if (pagesFound_ == 0)
        return;
    measure();
    QScrollBar* bar = table_->verticalScrollBar();
    bar->setValue((paging_.*to)(bar->value()));
}

void SystemLogWidget::pageTo(int page)
{
    measure();
    const int position = paging_.positionOf(page);
    if (position >= 0)
        table_->verticalScrollBar()->setValue(position);
}

void SystemLogWidget::pageEnd()
{
    measure();
    table_->verticalScrollBar()->setValue(paging_.scrollMax);
}
