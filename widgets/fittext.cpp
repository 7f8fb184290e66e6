#include "widgets/fittext.h"

#include <QFontMetrics>

int FittingPixelSize(QFont font, const QStringList& texts, int width, int px, int minPx)
{
    for (; px > minPx; --px) {
        font.setPixelSize(px);
        const QFontMetrics fm(font);
        bool fits = true;
        for (const QString& t : texts)
            fits = fits && fm.horizontalAdvance(t) <= width;
        if (fits)
            return px;
    }
    return minPx;
}
