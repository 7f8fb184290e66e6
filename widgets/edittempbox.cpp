#include "widgets/edittempbox.h"

#include <QHBoxLayout>
#include <QLabel>

#include "widgets/editbox.h"
#include "widgets/edittempparam.h"

EditTempBox::EditTempBox(int rangeMin, int rangeMax, int, int, QWidget* parent, const QString& caption,
                         QString unit, int mode, int scale)
    : QWidget(parent), rangeMin_(rangeMin), rangeMax_(rangeMax), scale_(scale), mode_(mode), captionText_(caption)
{
    int height, labelW, fieldW, font, spacing;
    if (sizeType_ == 3) {
        height = 40; labelW = 100; fieldW = 90; font = 25; spacing = 5;
    } else {
        height = 50; labelW = 135; fieldW = 150; font = 27; spacing = 10;
    }
    QFont f("wqy-microhei");
    f.setPixelSize(font);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    caption_ = new QLabel(caption, this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFixedSize(labelW, height);
    caption_->setFont(f);
    lowerEdit_ = new EditTempParam(9, unit, this);
    upperEdit_ = new EditTempParam(9, unit, this);
    for (EditTempParam* e : {lowerEdit_, upperEdit_}) {
        e->setFrame(true);
        e->setFixedSize(fieldW, height);
        e->setFont(f);
        connect(e, &EditTempParam::focusOut, this, &EditTempBox::CheckRange);
    }
    valueLabel_ = new QLabel(this);
    valueLabel_->setAlignment(Qt::AlignCenter);
    valueLabel_->setFixedSize(labelW, height);
    valueLabel_->setFont(f);

    row_ = new QHBoxLayout(this);
    row_->setSpacing(spacing);
    row_->addWidget(caption_);
    row_->addWidget(lowerEdit_);
    row_->addWidget(valueLabel_);
    row_->addWidget(upperEdit_);
    row_->setSizeConstraint(QLayout::SetFixedSize);
}

void EditTempBox::setValue(int v)
{
    value_ = v;
    valueLabel_->setText(displayByMode(v, mode_, scale_));
}

bool EditTempBox::judgeValue() const
{
    return lower_ <= value_ && value_ <= upper_;
}

void EditTempBox::setValueRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper;
    setValueRange();
}

void EditTempBox::setValueRange()
{
    lowerEdit_->setText(displayByMode(lower_, mode_, scale_));
    upperEdit_->setText(displayByMode(upper_, mode_, scale_));
}

void EditTempBox::setMinValue(int v)
{
    lower_ = v;
    lowerEdit_->setText(displayByMode(lower_, mode_, scale_));
}

void EditTempBox::setMaxValue(int v)
{
    upper_ = v;
    upperEdit_->setText(displayByMode(upper_, mode_, scale_));
}

bool EditTempBox::checkFocus(QLineEdit* edit) const
{
    return edit == upperEdit_;
}

void EditTempBox::typeDigit(bool upper, int d, bool restart)
{
    const int limit = rangeMax_ > rangeMin_ ? rangeMax_ : rangeMin_;
    if (upper)
        setMaxValue(appendDigit(upper_, d, restart, unitScale(), limit));
    else
        setMinValue(appendDigit(lower_, d, restart, unitScale(), limit));
}

void EditTempBox::syncFromText(bool upper, const QString& text)
{
    (upper ? upper_ : lower_) = valueFromShown(text, unitScale());
}

void EditTempBox::CheckRange()
{
    lower_ = qBound(rangeMin_, lower_, qMax(rangeMin_, rangeMax_));
    upper_ = qBound(rangeMin_, upper_, qMax(rangeMin_, rangeMax_));
    setValueRange();
}
