#include "widgets/bmessagebox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/splitline.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"

BMessageBox::BMessageBox(QString title, QString text, int buttons, BMessageBoxIcon icon, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint)
{
    InitWidgetResources();
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setWordWrap(true);
    titleLabel->setFixedWidth(150);
    auto* iconLabel = new QLabel(this);
    iconLabel->setFixedSize(48, 48);
    if (icon >= 1 && icon <= 4)
        iconLabel->setPixmap(QPixmap(":/img/icons/warning.png"));
    auto* textLabel = new QLabel(text, this);
    text_ = textLabel;
    textLabel->setWordWrap(true);

    auto* buttonRow = new QHBoxLayout;
    auto add = [&](int flag, const QString& caption, bool accepts) {
        if (!(buttons & flag))
            return;
        auto* b = new QPushButton(caption, this);
        b->setFixedHeight(72);
        connect(b, &QPushButton::pressed, this, accepts ? &QDialog::accept : &QDialog::reject);
        buttonRow->addWidget(b);
    };
    add(2, textRow(124), false);
    add(1, textRow(121), true);
    add(8, textRow(123), false);
    add(4, textRow(122), true);
    add(16, QString::fromUtf8("关闭"), false);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 16, 16, 16);
    outer->setSpacing(16);
    auto* left = new QVBoxLayout;
    left->addSpacing(12);
    left->addWidget(titleLabel);
    left->addStretch();
    outer->addLayout(left);
    outer->addWidget(createVerticalSplitLine(this, "#656263"));
    auto* right = new QVBoxLayout;
    auto* iconRow = new QHBoxLayout;
    iconRow->addWidget(iconLabel, 0, Qt::AlignTop);
    auto* textCol = new QVBoxLayout;
    textCol->addSpacing(12);
    textCol->addWidget(textLabel);
    textCol->addStretch();
    iconRow->addLayout(textCol, 1);
    right->addLayout(iconRow);
    right->addStretch();
    right->addLayout(buttonRow);
    outer->addLayout(right, 1);

    setStyleSheet(kBoxStyleSheet);
    fitTitle(titleLabel);
    centreBox(this);
}

int BMessageBox::buttonRowTop() const
{
    int top = height();
    for (QPushButton* b : findChildren<QPushButton*>())
        top = qMin(top, b->mapTo(this, QPoint(0, 0)).y());
    return top;
}

void BMessageBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    fitMessage(this, text_, buttonRowTop());
}
