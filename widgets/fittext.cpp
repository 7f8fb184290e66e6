#include "widgets/fittext.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLabel>
#include <QRect>
#include <QRegularExpression>
#include <QWidget>

namespace {

QStringList Lines(const QString& text)
{
    return text.split(QRegularExpression("\r\n|\n|\r"));
}

bool Fits(const QFont& font, const QStringList& texts, int width, int height)
{
    const QFontMetrics fm(font);
    for (const QString& t : texts) {
        const QStringList lines = Lines(t);
        if (height > 0 && lines.size() * fm.lineSpacing() > height)
            return false;
        for (const QString& line : lines)
            if (fm.horizontalAdvance(line) > width)
                return false;
    }
    return true;
}

}  // namespace

int FittingPixelSize(QFont font, const QStringList& texts, int width, int px, int minPx, int height)
{
    for (; px > minPx; --px) {
        font.setPixelSize(px);
        if (Fits(font, texts, width, height))
            return px;
    }
    return minPx;
}

bool FitCaption(QWidget* w, const QStringList& texts, int room, int px, int roomHeight)
{
    w->ensurePolished();
    const int size = FittingPixelSize(w->font(), texts, room, px, kMinCaptionPixels, roomHeight);
    const QString cls = QString::fromLatin1(w->metaObject()->className());
    // Replaces the rule an earlier fit left (texts change with the page's state).
    static const QRegularExpression earlier("\\s*/\\*fit\\*/[^}]*\\}");
    QString sheet = w->styleSheet().remove(earlier).trimmed();
    // Bare declarations (the widget's own) become a rule so that a rule can follow them.
    if (!sheet.isEmpty() && !sheet.contains('{'))
        sheet = QString("%1{%2}").arg(cls, sheet);
    if (size < px)
        sheet += QString(" /*fit*/%1{font-size:%2px;}").arg(cls).arg(size);
    w->setStyleSheet(sheet);
    QFont f = w->font();
    f.setPixelSize(size);
    return Fits(f, texts, room, roomHeight);
}

bool FitLabel(QLabel* label, int px)
{
    const int m = label->margin();
    const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
    label->setWordWrap(false);
    if (FitCaption(label, {label->text()}, room.width(), px))
        return true;
    label->setWordWrap(true);
    QStringList words;
    for (const QString& w : label->text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        if (std::none_of(w.begin(), w.end(), [](QChar c) { return c.script() == QChar::Script_Han; }))
            words << w;
    QFont f = label->font();
    for (int size = px; size >= kMinCaptionPixels; --size) {
        f.setPixelSize(size);
        const QFontMetrics fm(f);
        bool fits = fm.boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, label->text()).height() <=
                    room.height();
        for (const QString& w : words)
            fits = fits && fm.horizontalAdvance(w) <= room.width();
        if (fits) {
            FitCaption(label, {}, room.width(), px);  // drops an earlier rule
            if (size < px)
                label->setStyleSheet(label->styleSheet() + QString(" /*fit*/QLabel{font-size:%1px;}").arg(size));
            return true;
        }
    }
    return false;
}

bool FitInLayout(QWidget* w, const QString& text, int room, int px)
{
    const bool fits = FitCaption(w, {text}, room, px);
    w->setMinimumWidth(w->sizeHint().width());
    return fits;
}

namespace {

bool Han(QChar c)
{
    return c.script() == QChar::Script_Han;
}

// Chinese characters and full-width punctuation: no blank stands between them and their neighbours.
bool Wide(QChar c)
{
    const ushort u = c.unicode();
    return Han(c) || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

QString Unblanked(const QString& s)
{
    int from = 0, to = s.size();
    while (from < to && s[from] == ' ')
        ++from;
    while (to > from && s[to - 1] == ' ')
        --to;
    return s.mid(from, to - from);
}

// One line (without its break) as lines of at most `width` pixels. No line starts or ends with a
// blank: the blanks a break falls on go with it.
QStringList WrapLine(const QString& line, const QFontMetrics& fm, int width)
{
    QStringList out;
    QString rest = Unblanked(line);
    while (fm.horizontalAdvance(rest) > width) {
        // The longest head that fits, at least one character.
        int n = 1;
        while (n < rest.size() && fm.horizontalAdvance(rest.left(n + 1)) <= width)
            ++n;
        int cut = n;
        for (int i = n; i > 0; --i) {
            if (rest[i] == ' ' || Han(rest[i]) || Han(rest[i - 1])) {
                cut = i;
                break;
            }
        }
        // The rest starts with no blank, so a break at a blank leaves a head with text.
        out << Unblanked(rest.left(cut));
        rest = Unblanked(rest.mid(cut));
    }
    out << rest;
    return out;
}

}  // namespace

QString WrapToWidth(const QString& text, const QFont& font, int width)
{
    const QFontMetrics fm(font);
    width = std::max(width, 1);
    // A "\r\n" of the text table is where a box of another width broke the sentence; a bare "\n"
    // ends a line (one notice after another).
    QStringList paragraphs;
    QStringList pieces;
    const QStringList raw = text.split('\n');
    for (int i = 0; i < raw.size(); ++i) {
        QString piece = raw[i];
        const bool soft = piece.endsWith('\r') && i + 1 < raw.size();
        if (piece.endsWith('\r'))
            piece.chop(1);
        pieces << Unblanked(piece);
        if (soft)
            continue;
        const bool fits = std::all_of(pieces.begin(), pieces.end(),
                                      [&](const QString& p) { return fm.horizontalAdvance(p) <= width; });
        if (fits) {
            paragraphs << pieces.join("\r\n");
        } else {
            // Broken by this width only: the text's own breaks become blanks (none beside Chinese).
            QString joined;
            for (const QString& p : pieces) {
                if (!joined.isEmpty() && !p.isEmpty() && !Wide(joined.back()) && !Wide(p.front()))
                    joined += ' ';
                joined += p;
            }
            paragraphs << WrapLine(joined, fm, width).join('\n');
        }
        pieces.clear();
    }
    return paragraphs.join('\n');
}

WrappedText FitWrapped(QFont font, const QString& text, int width, int height, int px)
{
    for (;; --px) {
        font.setPixelSize(px);
        const QString wrapped = WrapToWidth(text, font, width);
        // As the label lays the lines out, which is a little more than whole line spacings.
        const int high =
            QFontMetrics(font).boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, wrapped).height();
        if (high <= height || px <= kMinCaptionPixels)
            return {px, wrapped, high};
    }
}

QRect BoxInArea(const QSize& size, const QRect& area)
{
    const QSize s = size.boundedTo(area.size());
    return QRect(area.x() + (area.width() - s.width()) / 2, area.y() + (area.height() - s.height()) / 2, s.width(),
                 s.height());
}
