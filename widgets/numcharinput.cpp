#include "widgets/numcharinput.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPainter>
#include <QPaintEvent>

#include "widgets/colorbutton.h"
#include "widgets/entrykeys.h"
#include "widgets/textrow.h"
#include "widgets/toolkithost.h"

namespace {
// Row texts; each ends in a blank that is not a key.
const char kDigits[] = "1234567890_ ";
const char kUpper[3][12] = {"QWERTYUIOP ", "ASDFGHJKL ", "ZXCVBNM "};
const char kLower[3][12] = {"qwertyuiop ", "asdfghjkl ", "zxcvbnm "};
const char kPunct[3][12] = {"-=[]\\;',./ ", "@#$%^?*() ", "`~!{}:\" "};
const int kRowStart[3] = {11, 21, 30};
const int kRowLen[3] = {10, 9, 7};
}  // namespace

NumCharInput::NumCharInput(QWidget* parent) : QWidget(parent, Qt::CustomizeWindowHint)
{
    setGeometry(0, 0, 785, 295);
    setFocusPolicy(Qt::NoFocus);
    group_ = new QButtonGroup(this);
    for (int i = 0; i < 41; ++i) {
        keys_[i] = new ColorButton(QString(), this, 3);
        keys_[i]->setFocusPolicy(Qt::NoFocus);
        if (i < 37)
            group_->addButton(keys_[i], i);
    }
    for (int i = 0; i < 11; ++i) {
        keys_[i]->setText(QString("%1").arg(QLatin1Char(kDigits[i])));
        keys_[i]->setGeometry(10 + 70 * i, 10, 65, 65);
    }
    const int rowX[3] = {42, 62, 106};
    const int rowY[3] = {80, 150, 220};
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < kRowLen[r]; ++k)
            keys_[kRowStart[r] + k]->setGeometry(rowX[r] + 70 * k, rowY[r], 65, 65);
    }
    keys_[37]->setGeometry(695, 150, 80, 65);
    keys_[38]->setGeometry(10, 220, 80, 65);
    keys_[39]->setGeometry(605, 220, 80, 65);
    keys_[40]->setGeometry(695, 220, 80, 65);
    keys_[37]->setText(textRow(441));
    keys_[38]->setText(textRow(158));
    keys_[39]->setText(textRow(157));
    keys_[40]->setText(textRow(121));
    setRows(kUpper[0], kUpper[1], kUpper[2]);

    connect(group_, &QButtonGroup::idClicked, this, &NumCharInput::setContent);
    connect(keys_[39], &QPushButton::clicked, this, &NumCharInput::eraseContent);
    connect(keys_[40], &QPushButton::clicked, this, &NumCharInput::HideUpdate);
    connect(keys_[37], &QPushButton::clicked, this, [this](bool) { SlotChgChar_Punc(); });
    connect(keys_[38], &QPushButton::clicked, this, [this](bool) { SlotCap(); });
    hide();
}

void NumCharInput::setRows(const char* row1, const char* row2, const char* row3)
{
    const char* rows[3] = {row1, row2, row3};
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < kRowLen[r]; ++k) {
            keys_[kRowStart[r] + k]->setText(QString("%1").arg(QLatin1Char(rows[r][k])));
            keys_[kRowStart[r] + k]->update();
        }
    }
}

void NumCharInput::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QColor fill(255, 251, 240, 200);
    p.setPen(fill);
    p.fillRect(event->rect(), fill);
    p.setPen(QColor("#191532"));
    p.drawRect(0, 0, width() - 2, height() - 2);
}

void NumCharInput::showEvent(QShowEvent* event)
{
    // Every showing starts on the upper-case letters, captions in the language in force.
    keys_[37]->setText(textRow(442));
    keys_[38]->setText(textRow(158));
    keys_[39]->setText(textRow(157));
    keys_[40]->setText(textRow(121));
    SlotChgChar_Punc();
    QWidget::showEvent(event);
}

void NumCharInput::SlotChgChar_Punc()
{
    if (keys_[37]->text() == textRow(441)) {
        setRows(kPunct[0], kPunct[1], kPunct[2]);
        keys_[37]->setText(textRow(442));
    } else {
        setRows(kUpper[0], kUpper[1], kUpper[2]);
        keys_[37]->setText(textRow(441));
    }
    keys_[38]->setText(textRow(158));
    keys_[37]->update();
    keys_[38]->update();
}

void NumCharInput::SlotCap()
{
    if (keys_[38]->text() == textRow(158)) {
        setRows(kLower[0], kLower[1], kLower[2]);
        keys_[38]->setText(textRow(159));
    } else {
        setRows(kUpper[0], kUpper[1], kUpper[2]);
        keys_[38]->setText(textRow(158));
    }
    keys_[37]->setText(textRow(441));
    keys_[37]->update();
    keys_[38]->update();
}

void NumCharInput::setContent(int id)
{
    QLineEdit* target = toolkitHost()->keypadTarget();
    QAbstractButton* key = group_->button(id);
    if (!target || !key || key->text().isEmpty())
        return;
    target->setText(target->text() + QChar::fromLatin1(key->text().at(0).toLatin1()));
    target->setCursorPosition(target->text().size());
}

void NumCharInput::eraseContent()
{
    QLineEdit* target = toolkitHost()->keypadTarget();
    if (!target)
        return;
    eraseLastChar(target);
}

void NumCharInput::HideUpdate()
{
    if (isVisible()) {
        hide();
        if (QWidget* p = parentWidget())
            p->update();
    }
}
