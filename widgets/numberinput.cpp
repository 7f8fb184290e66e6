#include "widgets/numberinput.h"

#include <QButtonGroup>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include "widgets/editbox.h"
#include "widgets/editparam.h"
#include "widgets/edittempbox.h"
#include "widgets/edittempparam.h"
#include "widgets/entrykeys.h"
#include "widgets/keyboardstyle.h"
#include "widgets/passwordbox.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"
#include "widgets/toolkithost.h"

NumberInput::NumberInput(QWidget* parent) : QWidget(parent, Qt::CustomizeWindowHint)
{
    setGeometry(0, 0, 427, 230);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(keyboardStyleSheet("NumberInput"));
    group_ = new QButtonGroup(this);
    static const char* const captions[10] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
    const int xs[4] = {5, 110, 215, 320};
    const int ys[3] = {5, 80, 155};
    for (int i = 0; i < 10; ++i) {
        digits_[i] = new QPushButton(tr(captions[i]), this);
        digits_[i]->setFocusPolicy(Qt::NoFocus);
        digits_[i]->setGeometry(xs[i % 4], ys[i / 4], 100, 70);
        group_->addButton(digits_[i], i);
    }
    back_ = new QPushButton(this);
    back_->setGeometry(xs[2], ys[2], 100, 70);
    confirm_ = new QPushButton(this);
    confirm_->setGeometry(xs[3], ys[2], 100, 70);
    for (QPushButton* b : {back_, confirm_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(kFunctionKeyStyle);
    }
    connect(group_, &QButtonGroup::idClicked, this, &NumberInput::setContent);
    connect(back_, &QPushButton::clicked, this, &NumberInput::eraseContent);
    connect(confirm_, &QPushButton::clicked, this, &NumberInput::HideUpdate);
    showEvent(nullptr);
    hide();
}

void NumberInput::showEvent(QShowEvent* event)
{
    // Captions in the language in force when the pad appears.
    back_->setText(textRow(157));
    confirm_->setText(textRow(121));
    if (event)
        QWidget::showEvent(event);
}

void NumberInput::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QColor fill(255, 251, 240, 200);
    p.setPen(fill);
    p.fillRect(event->rect(), fill);
    p.setPen(QColor("#e9e9e9"));
    p.drawRect(0, 0, width() - 2, height() - 2);
}

void NumberInput::setContent(int id)
{
    QLineEdit* target = toolkitHost()->keypadTarget();
    QAbstractButton* key = group_->button(id);
    if (!target || !key || key->text().isEmpty())
        return;
    const int d = key->text().at(0).digitValue();
    if (auto* param = qobject_cast<EditParam*>(target)) {
        param->box()->typeDigit(d, first_);
        first_ = false;
    } else if (auto* bound = qobject_cast<EditTempParam*>(target)) {
        EditTempBox* box = bound->box();
        box->typeDigit(box->checkFocus(target), d, first_);
        first_ = false;
    } else {
        const QChar c = QChar::fromLatin1(key->text().at(0).toLatin1());
        if (first_) {
            target->setText(QString(c));
            first_ = false;
        } else {
            target->setText(target->text() + c);
        }
    }
    target->setCursorPosition(target->text().size());
}

void NumberInput::eraseContent()
{
    QLineEdit* target = toolkitHost()->keypadTarget();
    if (!target)
        return;
    eraseLastChar(target);
    if (target->text().isEmpty())
        first_ = true;
    // A box field keeps its stored value in step with what is left of the text.
    if (auto* param = qobject_cast<EditParam*>(target))
        param->box()->syncFromText(target->text());
    else if (auto* bound = qobject_cast<EditTempParam*>(target))
        bound->box()->syncFromText(bound->box()->checkFocus(target), target->text());
}

void NumberInput::eraseAll()
{
    first_ = true;
    QLineEdit* target = toolkitHost()->keypadTarget();
    if (!target)
        return;
    target->setText(QString());
    target->setCursorPosition(0);
}

void NumberInput::HideUpdate()
{
    ToolkitHost* host = toolkitHost();
    if (isVisible()) {
        hide();
        if (QWidget* w = host->mainWidget())
            w->update();
    }
    if (gpPasswordBox && gpPasswordBox->isVisible()) {
        emit chkpassword();
        return;
    }
    if (QLineEdit* target = host->keypadTarget())
        target->clearFocus();
}
