#include "widgets/choosebox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "widgets/boxframe.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"

ChooseBox::ChooseBox(QString title, QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint)
{
    InitWidgetResources();
    setStyleSheet(kBoxStyleSheet);
    title_ = new QLabel(title, this);
    message_ = new QLabel(this);
    QHBoxLayout* iconRow = buildIconRow(this, message_, &icon_);

    yes_ = new QPushButton(textRow(122), this);
    no_ = new QPushButton(textRow(123), this);
    buttonRow_ = buildButtonPair(yes_, no_);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);

    buildBoxFrame(this, title_, 120, iconRow, buttonRow_);
    centreBox(this);
    hide();
}

void ChooseBox::setText(const QString& text)
{
    message_->setText(text);
}

QString ChooseBox::text() const
{
    return messageText(message_);
}

void ChooseBox::showEvent(QShowEvent* event)
{
    centreBox(this);
    yes_->setText(textRow(122));
    no_->setText(textRow(123));
    showTitle(title_, titleRow_);
    QDialog::showEvent(event);
    fitMessage(this, message_, yes_->mapTo(this, QPoint(0, 0)).y());
}
