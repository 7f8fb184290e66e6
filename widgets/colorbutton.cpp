#include "widgets/colorbutton.h"

#include "widgets/fittext.h"

#include <QFontMetrics>
#include <QPainter>

#include "core/sharedpictures.h"
#include "core/uitexttable.h"

ColorButton::ColorButton(const QString& text, QWidget* parent, int style)
    : QPushButton(text, parent), style_(style), isPicture_(0)
{
}

ColorButton::ColorButton(QPixmap pixmap, QWidget* parent)
    : QPushButton(QString(), parent), style_(3), isPicture_(1), pixmap_(std::move(pixmap))
{
}

void ColorButton::SetRepeat()
{
    setAutoRepeat(true);
    setAutoRepeatDelay(300);
    setAutoRepeatInterval(50);
}

int ColorButton::captionPixelSize(int style)
{
    if (style == 3)
        return gLan == 0 ? 27 : 22;
    if (style == 4 || style == 5)
        return 24;
    return 0;
}

void ColorButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (isPicture_) {
        p.drawPixmap(rect(), pixmap_);
        return;
    }
    const QPixmap* face = gpPixmapButton[isDown() ? 1 : 0];
    if (face)
        p.drawPixmap(rect(), *face);
    p.setPen(Qt::white);
    for (const PaintedText& t : paintedTexts()) {
        p.setFont(t.font);
        p.drawText(t.room, Qt::AlignCenter, t.text);
    }
}

QList<PaintedText> ColorButton::paintedTexts() const
{
    if (isPicture_ || text().isEmpty())
        return {};
    QFont f("wqy-microhei");
    if (int px = captionPixelSize(style_)) {
        // A caption wider than the key (e.g. "character" on an 80 px key) is set smaller, not cut.
        f.setPixelSize(FittingPixelSize(f, {text()}, width() - 6, px));
    }
    return {{text(), f, rect()}};
}
