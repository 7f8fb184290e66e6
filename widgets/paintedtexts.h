#pragma once
// A widget that paints its own captions says where: the text, the font it is set in and the room it
// is drawn into. The widget paints from the same list, so what is measured is what is shown.
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

struct PaintedText {
    QString text;
    QFont font;
    QRect room;  // in the widget's coordinates
};

class PaintedTexts {
public:
    virtual ~PaintedTexts() = default;
    virtual QList<PaintedText> paintedTexts() const = 0;
};
