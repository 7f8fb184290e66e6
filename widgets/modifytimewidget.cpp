#include "widgets/modifytimewidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/editdatetime.h"
#include "widgets/splitline.h"
#include "widgets/textrow.h"

ModifyTimeWidget::ModifyTimeWidget(QString title, QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint)
{
    title_ = new QLabel(title, this);
    title_->setAlignment(Qt::AlignCenter);
    title_->setFixedHeight(35);
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(5, 5, 5, 5);
    titleRow->addWidget(title_);
    titleRow->addStretch();

    entry_ = new EditDateTime(QString(), this);
    confirm_ = new QPushButton(textRow(121), this);
    cancel_ = new QPushButton(textRow(124), this);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 10, 10, 10);
    buttons->setSpacing(16);
    for (QPushButton* b : {confirm_, cancel_}) {
        b->setFixedSize(250, 72);
        buttons->addWidget(b);
    }
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(16, 16, 16, 16);
    col->setSpacing(0);
    col->addLayout(titleRow);
    col->addWidget(createHorizontalSplitLine(this, "#656263"));
    col->addWidget(entry_, 1, Qt::AlignCenter);
    col->addLayout(buttons);
    setGeometry(gShowW / 2 - 340, gShowH / 2 - 200, 680, 400);
    setStyleSheet(kBoxStyleSheet);
}

void ModifyTimeWidget::showEvent(QShowEvent* event)
{
    confirm_->setText(textRow(121));
    cancel_->setText(textRow(124));
    QDialog::showEvent(event);
}
