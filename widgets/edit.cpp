#include "widgets/edit.h"

#include <QIntValidator>
#include <QKeyEvent>

#include "core/globals.h"
#include "widgets/c_type_com.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"
#include "widgets/toolkithost.h"

Edit::Edit(int flags, QWidget* parent, int style) : QLineEdit(parent), flags_(flags)
{
    if (style == 1) {
        C_Type_COM com;
        com.setTxtQss(this, C_Type_COM::C_Color(2));
    }
    range_ = new QIntValidator(this);
    connect(this, &QLineEdit::textChanged, this, &Edit::SlotRange);
}

int Edit::value() const
{
    return text().toInt(nullptr, 10);
}

double Edit::valueToDouble() const
{
    return text().toDouble();
}

void Edit::setValue(int v)
{
    setText(QString::number(v, 10));
}

void Edit::setValue(double v)
{
    setText(QString::number(v, 'g', 6));
}

void Edit::setRange(int min, int max)
{
    min_ = min;
    max_ = max;
    range_->setRange(min, max);
}

void Edit::init()
{
    setText(QString());
}

void Edit::SlotRange(const QString& text)
{
    if (min_ == -1 || max_ == -1)
        return;
    if (min_ > max_) {
        std::swap(min_, max_);
        range_->setRange(min_, max_);
    }
    const int v = qBound(min_, text.toInt(nullptr, 10), max_);
    setText(QString("%1").arg(v));
}

bool Edit::event(QEvent* e)
{
    ToolkitHost* host = toolkitHost();
    switch (e->type()) {
    case QEvent::FocusIn:
        if (echoMode() == QLineEdit::Password) {
            setText(QString());
            clearFocus();
            setPlaceholderText(textRow(125));
        }
        host->setKeypadTarget(this);
        break;
    case QEvent::FocusOut:
        host->setKeypadTarget(nullptr);
        if (gpNumCharPad)
            gpNumCharPad->hide();
        if (gpNumPad)
            gpNumPad->hide();
        break;
    case QEvent::MouseButtonRelease:
        if (host->keypadTarget())
            showPad();
        break;
    default:
        break;
    }
    return QLineEdit::event(e);
}

void Edit::showPad()
{
    QWidget* pad = nullptr;
    if (flags_ & 0x2) {
        pad = gpNumCharPad;
    } else if (gpNumPad) {
        gpNumPad->eraseAll();
        pad = gpNumPad;
    }
    if (!pad)
        return;
    int x = this->x();
    int top = y() + height() + 5;
    QWidget* host = parentWidget();
    if (!host)
        return;
    if (flags_ & 0x8) {
        x += host->x();
        top += host->y();
        host = host->parentWidget();
    } else if (flags_ & 0x10) {
        QWidget* grand = host->parentWidget();
        if (!grand)
            return;
        x += host->x() + grand->x();
        top += host->y() + grand->y();
        host = grand;
    }
    if (!host)
        return;
    if (top + pad->height() >= gShowH - 49)
        top -= pad->height() + 45;
    if (pad->parentWidget() != host)
        pad->setParent(host);
    if (x + pad->width() > host->width())
        x = host->width() - pad->width();
    if (top + pad->height() > host->height())
        top = host->height() - pad->height();
    pad->move(x, top);
    pad->show();
    pad->raise();
}

void Edit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == 46 || e->key() == 13)
        emit sig_Dot();
    QLineEdit::keyPressEvent(e);
}
