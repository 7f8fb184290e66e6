#include "widgets/editbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>

#include "core/globals.h"
#include "widgets/colorbutton.h"
#include "widgets/editparam.h"

QString displayByMode(int v, int mode, int scale)
{
    if (mode == 0)
        return QString::number(v, 10);
    if (mode == 2)
        return QString::number(double(v) / (scale != 0 ? scale : 1), 'g', 6);
    return QString();
}

int appendDigit(int value, int d, bool restart, int unit, int limit)
{
    if (unit <= 0)
        unit = 1;
    const qint64 shown = restart ? d : qint64(value / unit) * 10 + d;
    const qint64 raw = shown * unit;
    return raw > limit ? limit : int(raw);
}

int valueFromShown(const QString& text, int unit)
{
    if (unit <= 1)
        return text.toInt(nullptr, 10);
    return int(qBound<qint64>(INT_MIN, qRound64(text.toDouble() * unit), INT_MAX));
}

EditBox::EditBox(int min, int max, QWidget* parent, const QString& caption, QString unit, int mode, int scale)
    : QWidget(parent), min_(min), max_(max), scale_(scale), mode_(mode), captionText_(caption)
{
    int capW, capH, btnW, font, spacing;
    QColor capColor = Qt::yellow;
    if (gShowW < 1025) {
        capW = 65; capH = 28; btnW = 40; font = 12; spacing = 5;
    } else if (sizeType_ == 3) {
        capW = 100; capH = 40; btnW = 70; font = 25; spacing = 5;
        capColor = Qt::green;
    } else {
        capW = 135; capH = 50; btnW = 130; font = 27; spacing = 10;
    }
    QFont f("wqy-microhei");
    f.setPixelSize(font);

    caption_ = new QLabel(caption, this);
    caption_->setFont(f);
    caption_->setFixedSize(capW, capH);
    setLabelColor(capColor);

    const double s = scale != 0 ? scale : 1;
    auto step = [&](const char* sign, double amount) {
        auto* b = new ColorButton(QString("%1 %2").arg(QLatin1String(sign)).arg(amount / s, 0, 'g', -1), this, 3);
        b->SetRepeat();
        b->setFixedSize(btnW, capH);
        return b;
    };
    subFive_ = step("-", 5);
    subOne_ = step("-", 1);
    addOne_ = step("+", 1);
    addFive_ = step("+", 5);
    connect(subFive_, &QPushButton::clicked, this, &EditBox::SubFive);
    connect(subOne_, &QPushButton::clicked, this, &EditBox::SubOne);
    connect(addOne_, &QPushButton::clicked, this, &EditBox::AddOne);
    connect(addFive_, &QPushButton::clicked, this, &EditBox::AddFive);

    edit_ = new EditParam(9, unit, this);
    edit_->setFixedSize(btnW + 20, capH);
    edit_->setFrame(true);
    edit_->setFont(f);
    connect(edit_, &EditParam::focusOut, this, &EditBox::CheckRange);

    row_ = new QHBoxLayout(this);
    row_->setSpacing(spacing);
    row_->addWidget(caption_);
    row_->addWidget(subFive_);
    row_->addWidget(subOne_);
    row_->addWidget(edit_);
    row_->addWidget(addOne_);
    row_->addWidget(addFive_);
    row_->setSizeConstraint(QLayout::SetFixedSize);
    if (sizeType_ == 3) {
        subFive_->hide();
        addFive_->hide();
    }
}

QString EditBox::display(int v) const
{
    return displayByMode(v, mode_, scale_);
}

void EditBox::setValue(int v)
{
    value_ = v;
    CheckRange();
}

void EditBox::setValue()
{
    edit_->setText(display(value_));
}

void EditBox::setText(const QString& caption)
{
    captionText_ = caption;
    caption_->setText(caption);
}

void EditBox::setSampleShow()
{
    for (ColorButton* b : {addOne_, subOne_, addFive_, subFive_})
        b->hide();
}

void EditBox::setLabelColor(QColor c)
{
    QPalette pal = caption_->palette();
    pal.setColor(QPalette::WindowText, c);
    caption_->setPalette(pal);
}

void EditBox::typeDigit(int d, bool restart)
{
    value_ = appendDigit(value_, d, restart, unitScale(), max_ > min_ ? max_ : min_);
    setValue();
}

void EditBox::syncFromText(const QString& text)
{
    value_ = valueFromShown(text, unitScale());
}

void EditBox::CheckRange()
{
    if (value_ > max_)
        value_ = max_;
    else if (value_ < min_ && !(use0_ && value_ == 0))
        value_ = min_;
    setValue();
    emit valueChanged(value_);
}

void EditBox::AddOne()
{
    value_ += 1;
    CheckRange();
}

void EditBox::SubOne()
{
    value_ -= 1;
    CheckRange();
}

void EditBox::AddFive()
{
    value_ += 5;
    CheckRange();
}

void EditBox::SubFive()
{
    value_ -= 5;
    CheckRange();
}
