#include "widgets/digitalkeyboard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/entrykeys.h"
#include "widgets/keyboardstyle.h"
#include "widgets/toolkitglobals.h"
#include "widgets/fittext.h"
#include "widgets/textrow.h"

DigitalKeyboard::DigitalKeyboard(QString title, QString hint, QString text, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    InitWidgetResources();
    setFixedSize(416, 586);
    setStyleSheet(keyboardStyleSheet("DigitalKeyboard"));

    closeBtn_ = makeCloseButton(this);
    cancelBtn_ = new QPushButton(this);
    confirmBtn_ = new QPushButton(this);
    backBtn_ = new QPushButton(this);
    entry_ = new QLineEdit(text, this);
    entry_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QPushButton* b : {cancelBtn_, confirmBtn_, backBtn_})
        b->setStyleSheet(kFunctionKeyStyle);
    backBtn_->setFixedHeight(168);
    confirmBtn_->setFixedHeight(168);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(25, 25, 25, 25);
    grid->setHorizontalSpacing(22);
    grid->setVerticalSpacing(22);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(title, this), 0, Qt::AlignLeft);
    top->addStretch();
    top->addWidget(closeBtn_, 0, Qt::AlignRight);
    grid->addLayout(top, 0, 0, 1, 4);
    grid->addWidget(entry_, 1, 0, 1, 4);

    const char* keys[4][3] = {{"7", "8", "9"}, {"4", "5", "6"}, {"1", "2", "3"}, {nullptr, "0", "."}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!keys[r][c])
                continue;
            auto* key = new QPushButton(QString::fromLatin1(keys[r][c]), this);
            connect(key, &QPushButton::pressed, this, &DigitalKeyboard::btnPressed);
            grid->addWidget(key, 2 + r, c);
        }
    }
    grid->addWidget(backBtn_, 2, 3, 2, 1);
    grid->addWidget(confirmBtn_, 4, 3, 2, 1);
    grid->addWidget(cancelBtn_, 5, 0);
    auto* hintLabel = new QLabel(hint, this);
    hintLabel->setStyleSheet(kHintStyle);
    grid->addWidget(hintLabel, 6, 0, 1, 4, Qt::AlignLeft);

    for (QPushButton* b : {closeBtn_, cancelBtn_, confirmBtn_, backBtn_})
        connect(b, &QPushButton::pressed, this, &DigitalKeyboard::btnPressed);
    // Captions in the language in force when the keyboard is built (it lives for one entry);
    // refreshed again when shown.
    showEvent(nullptr);
}

void DigitalKeyboard::showEvent(QShowEvent* event)
{
    cancelBtn_->setText(textRow(124));
    confirmBtn_->setText(textRow(121));
    backBtn_->setText(textRow(157));
    // A key column is (416 - 2 x 25 - 3 x 22) / 4 = 75 px wide: "Confirm" and "Cancel" are set
    // smaller than the keys' 22 px there.
    for (QPushButton* b : {cancelBtn_, confirmBtn_, backBtn_})
        FitCaption(b, {b->text()}, 75 - 4, 22);
    if (event)
        QDialog::showEvent(event);
}

QString DigitalKeyboard::getText() const
{
    return entry_->text();
}

void DigitalKeyboard::btnPressed()
{
    auto* btn = qobject_cast<QPushButton*>(sender());
    if (!btn)
        return;
    if (!pressEntryKey(this, entry_, {closeBtn_, cancelBtn_, confirmBtn_, backBtn_}, btn))
        entry_->insert(btn->text());
}
