#include "widgets/blinelabel.h"

#include <climits>
#include <cmath>

#include <QMouseEvent>
#include <QSlider>

BlineLabel::BlineLabel(QSlider* slider, QWidget* parent, QString title, QString hint, KeyboardType type)
    : QLabel(parent), slider_(slider), title_(std::move(title)), hint_(std::move(hint)), type_(type)
{
    setText(QString::number(slider_ ? slider_->value() : 0, 10));
    installEventFilter(this);
}

int BlineLabel::entryToValue(const QString& text, KeyboardType type)
{
    double v = text.toDouble();  // 0 when it is no number
    if (!std::isfinite(v))
        v = 0;
    if (type == KeyboardDigital && v < 1.0)
        v *= 10;
    v = std::trunc(v);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

bool BlineLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        kept_ = text();
        setText(QString());
        bool accepted = false;
        const QString typed = runKeyboard(type_, title_, hint_, &accepted);
        if (!accepted || !slider_) {
            // Cancel: the label as it was, the slider untouched.
            setText(kept_);
        } else {
            // The slider clamps the entry; everything downstream sees the slider's value, never
            // the typed number. When the value does not change the slider stays silent, so the
            // signal is repeated with its value for the page to reformat the label.
            const int before = slider_->value();
            const int value = qBound(slider_->minimum(), entryToValue(typed, type_), slider_->maximum());
            setText(QString::number(value, 10));
            if (value != before)
                slider_->setValue(value);
            else
                emit slider_->valueChanged(value);
        }
    }
    return QLabel::eventFilter(watched, event);
}
