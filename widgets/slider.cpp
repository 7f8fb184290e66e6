#include "widgets/slider.h"

#include "widgets/fittext.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

#include "core/sharedpictures.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"

Slider::Slider(int min, int max, int pageStep, int value, QWidget* parent, const QString& name)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setObjectName(name);
    setMinimum(min);
    setMaximum(max);
    setPageStep(pageStep);
    setValue(value);
    add_ = new ColorButton(tr("+ 1"), this, 3);
    add_->setFixedSize(70, 41);
    add_->SetRepeat();
    sub_ = new ColorButton(tr("- 1"), this, 3);
    sub_->setFixedSize(70, 41);
    sub_->SetRepeat();
    connect(add_, &QPushButton::clicked, this, &Slider::Add);
    connect(sub_, &QPushButton::clicked, this, &Slider::Sub);
    edit_ = new Edit(9, this, 1);
    edit_->setGeometry(0, 0, 0, 60);
    connect(edit_, &QLineEdit::textChanged, this, &Slider::SetText);
}

void Slider::Reset(int min, int max, int pageStep, int value, const QString& name)
{
    setObjectName(name);
    setMinimum(min);
    setMaximum(max);
    setPageStep(pageStep);
    setValue(value);
    dragX_ = dragY_ = -1;
    update();
}

void Slider::Add()
{
    setValue(value() + 1);
}

void Slider::Sub()
{
    setValue(value() - 1);
}

void Slider::SetText(const QString& text)
{
    bool ok = false;
    const uint v = text.toUInt(&ok, 10);
    // Larger than any int: the slider's maximum is the nearest value.
    setValue(!ok ? 0 : v > uint(INT_MAX) ? INT_MAX : int(v));
}

int Slider::fillFor(int value, int minimum, int maximum, int fillLength)
{
    if (maximum <= minimum)
        return 0;
    return int(float(value - minimum) / float(maximum - minimum) * float(fillLength));
}

int Slider::dragDelta(int dx, int minimum, int maximum, int fillLength)
{
    if (fillLength <= 0)
        return 0;
    return int(float(maximum - minimum) * (float(dx) / float(fillLength)));
}

void Slider::resizeEvent(QResizeEvent* e)
{
    trackW_ = width() - 370;
    fillOff_ = int(0.03 * trackW_);
    fillLen_ = int(0.95 * trackW_);
    const int y = (height() - 1 - 27) / 2 - 6;
    add_->move(width() - 70, y);
    sub_->move(220, y);
    QAbstractSlider::resizeEvent(e);
}

void Slider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::green);
    QFont f("wqy-microhei");
    // A caption wider than its 120 px ("Sensitivity") is set smaller, not cut.
    f.setPixelSize(FittingPixelSize(f, {objectName()}, 120, 30));
    p.setFont(f);
    const int h = height();
    p.drawText(QRect(0, 0, 120, h), Qt::AlignLeft | Qt::AlignVCenter, objectName());
    f.setPixelSize(30);
    p.setFont(f);
    if (gpPixmapEdit)
        p.drawPixmap(QRect(135, 3, 80, h - 6), *gpPixmapEdit);
    p.drawText(QRect(135, 3, 80, h - 6), Qt::AlignCenter, QString::number(value(), 10));
    if (gpPixmapSliderd)
        p.drawPixmap(QRect(295, 3, trackW_, h - 6), *gpPixmapSliderd);
    const int fill = fillFor(value(), minimum(), maximum(), fillLen_);
    if (gpPixmapSlideru && fill > 0)
        p.drawPixmap(QRect(295 + fillOff_, 11, fill, h - 22), *gpPixmapSlideru);
    knobX_ = 295 + fillOff_ + fill;
    knobY_ = 3;
    knobW_ = 10;
    knobH_ = h - 6;
    if (gpPixmapSlidert)
        p.drawPixmap(QRect(knobX_, knobY_, knobW_, knobH_), *gpPixmapSlidert);
}

void Slider::mousePressEvent(QMouseEvent* e)
{
    const int x = qRound(e->localPos().x());
    const int y = qRound(e->localPos().y());
    if (x >= knobX_ - 20 && x <= knobX_ + knobW_ + 19) {
        dragX_ = x;
        dragY_ = y;
    } else {
        dragX_ = dragY_ = -1;
    }
}

void Slider::mouseMoveEvent(QMouseEvent* e)
{
    if (dragX_ <= 0)
        return;
    const int x = qRound(e->localPos().x());
    const int delta = dragDelta(x - dragX_, minimum(), maximum(), fillLen_);
    if (delta == 0)
        return;
    setValue(value() + delta);
    dragX_ = x;
    dragY_ = qRound(e->localPos().y());
    update();
}

void Slider::mouseReleaseEvent(QMouseEvent* e)
{
    dragX_ = dragY_ = -1;
    const int x = qRound(e->localPos().x());
    if (x >= 135 && x <= 214) {
        // The hidden field becomes the keypad target and shows the numeric keypad under itself.
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(edit_, &focusIn);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit_, &release);
    }
}
