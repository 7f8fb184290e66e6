#include "widgets/fullkeyboard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/entrykeys.h"
#include "widgets/keyboardstyle.h"
#include "widgets/toolkitglobals.h"

namespace {
const char* const kLetterRows[3] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
// The symbol page puts these on the letter keys (same counts as the letter rows).
const char* const kSymbolRows[3] = {"-=[]\\;',./", "@#$%^?*()", "`~!{}:\""};
}  // namespace

FullKeyboard::FullKeyboard(QString title, QString hint, QString text, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint)
{
    InitWidgetResources();
    setFixedSize(1112, 520);
    setStyleSheet(keyboardStyleSheet("FullKeyboard"));

    closeBtn_ = makeCloseButton(this);
    capsBtn_ = new QPushButton(QString::fromUtf8("小写"), this);
    capsBtn_->setCheckable(true);
    capsBtn_->setChecked(true);
    symbolBtn_ = new QPushButton(QString::fromUtf8("符号"), this);
    cancelBtn_ = new QPushButton(QString::fromUtf8("取消"), this);
    confirmBtn_ = new QPushButton(QString::fromUtf8("确定"), this);
    backBtn_ = new QPushButton(QString::fromUtf8("退格"), this);
    for (QPushButton* b : {capsBtn_, symbolBtn_, cancelBtn_, confirmBtn_, backBtn_})
        b->setStyleSheet(kFunctionKeyStyle);
    cancelBtn_->setFixedWidth(122);
    confirmBtn_->setFixedWidth(122);
    entry_ = new QLineEdit(text, this);
    entry_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    entry_->setFixedWidth(380);

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(25, 25, 25, 10);
    col->setSpacing(18);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(23);
    titleRow->addWidget(new QLabel(title, this), 0, Qt::AlignLeft);
    titleRow->addWidget(entry_, 1);
    titleRow->addWidget(closeBtn_, 0, Qt::AlignRight);
    col->addLayout(titleRow);
    col->addStretch();

    auto newRow = [&]() {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(23);
        col->addLayout(row);
        return row;
    };
    auto addKeys = [&](QHBoxLayout* row, const char* chars, bool letters) {
        for (const char* c = chars; *c; ++c) {
            auto* key = new QPushButton(QString(QLatin1Char(*c)), this);
            connect(key, &QPushButton::pressed, this, &FullKeyboard::btnPressed);
            row->addWidget(key);
            if (letters)
                letterKeys_.append(key);
        }
    };

    addKeys(newRow(), "1234567890_", false);
    QHBoxLayout* row = newRow();
    row->addSpacing(48);
    addKeys(row, kLetterRows[0], true);
    row->addSpacing(48);
    row = newRow();
    row->addWidget(capsBtn_);
    addKeys(row, kLetterRows[1], true);
    row->addWidget(symbolBtn_);
    row = newRow();
    row->addWidget(cancelBtn_);
    addKeys(row, kLetterRows[2], true);
    row->addWidget(backBtn_);
    row->addWidget(confirmBtn_);
    auto* hintLabel = new QLabel(hint, this);
    hintLabel->setStyleSheet(kHintStyle);
    col->addWidget(hintLabel, 0, Qt::AlignLeft);

    for (QPushButton* b : {closeBtn_, capsBtn_, symbolBtn_, cancelBtn_, confirmBtn_, backBtn_})
        connect(b, &QPushButton::pressed, this, &FullKeyboard::btnPressed);
}

QString FullKeyboard::getText() const
{
    return entry_->text();
}

void FullKeyboard::setLetterPage(bool symbols)
{
    symbols_ = symbols;
    const bool lower = capsBtn_->text() == QString::fromUtf8("大写");
    int i = 0;
    for (int r = 0; r < 3; ++r) {
        for (const char* c = (symbols ? kSymbolRows[r] : kLetterRows[r]); *c; ++c, ++i) {
            const QString caption = QString(QLatin1Char(*c));
            letterKeys_[i]->setText(lower && !symbols ? caption.toLower() : caption);
        }
    }
}

void FullKeyboard::btnPressed()
{
    auto* btn = qobject_cast<QPushButton*>(sender());
    if (!btn)
        return;
    if (pressEntryKey(this, entry_, {closeBtn_, cancelBtn_, confirmBtn_, backBtn_}, btn)) {
        return;
    } else if (btn == capsBtn_) {
        // pressed() comes before the key toggles on release: the checked state is the old one.
        const bool toLower = capsBtn_->isChecked();
        const auto keys = findChildren<QPushButton*>();
        for (QPushButton* key : keys) {
            if (key->text().size() == 1)
                key->setText(toLower ? key->text().toLower() : key->text().toUpper());
        }
        capsBtn_->setText(QString::fromUtf8(toLower ? "大写" : "小写"));
    } else if (btn == symbolBtn_) {
        // Switches the letter rows between letters (in the case shown) and punctuation.
        setLetterPage(!symbols_);
    } else {
        entry_->insert(btn->text());
    }
}
