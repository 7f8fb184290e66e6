#include "statistics/histogram.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {
const QColor kOkColour(0, 255, 0, 200);
const QColor kNgColour(255, 0, 0, 200);
}  // namespace

HistogramGeometry LayOutHistogram(int width, int height, int barCount, int maxY, const QList<int>& s1,
                                  const QList<int>& s2)
{
    const int W = width - 1, H = height - 1;
    HistogramGeometry g;
    g.scale = maxY != 0 ? double(H - 59) / double(maxY) : 0.0;
    g.pitch = double((W - 39) / (barCount + 1));
    const double p = g.pitch;
    for (int i = 0; i < barCount; ++i) {
        HistogramBar b;
        b.centre = (i + 1) * p + 20;
        const double x = b.centre;
        b.label = QRectF(x - p / 2, H - 19, p, 20);
        auto bar = [&](double left, int value, QRect* rect, QRect* text) {
            const double h = value * g.scale;
            const double top = (H + 1) - h - 20;
            *rect = QRect(int(left), int(top), int(p / 2), int(h));
            *text = QRect(int(left), int(std::min(double(H - 39), top)), int(p / 2), 20);
        };
        bar(x - p / 2, s1.value(i), &b.ok, &b.okValue);
        bar(x, s2.value(i), &b.ng, &b.ngValue);
        g.bars << b;
    }
    return g;
}

Histogram::Histogram(QWidget* parent) : QWidget(parent) {}

Histogram::Histogram(QWidget* parent, QList<int> labels) : QWidget(parent), labels_(labels), barCount_(labels.size())
{
    s1_ = padded({});
    s2_ = padded({});
    clcMaxY();
}

Histogram::Histogram(QWidget* parent, QList<int> labels, QList<int> s1, QList<int> s2)
    : QWidget(parent), labels_(labels), barCount_(labels.size())
{
    s1_ = padded(s1);
    s2_ = padded(s2);
    clcMaxY();
}

QList<int> Histogram::padded(QList<int> s) const
{
    while (s.size() < barCount_)
        s << 0;
    return s;
}

void Histogram::modifyDataAxisY(QList<int> s1, QList<int> s2)
{
    s1_ = padded(s1);
    s2_ = padded(s2);
    clcMaxY();
    update();
}

void Histogram::modifyDataAxisY1(QList<int> s1)
{
    s1_ = padded(s1);
    clcMaxY();
    update();
}

void Histogram::modifyDataAxisY2(QList<int> s2)
{
    s2_ = padded(s2);
    clcMaxY();
    update();
}

void Histogram::modifydata(QMap<int, int>)
{
    barCount_ = 0;
    update();
}

void Histogram::clcMaxY()
{
    maxY_ = 0;
    for (int v : s1_)
        maxY_ = std::max(maxY_, v);
    for (int v : s2_)
        maxY_ = std::max(maxY_, v);
}

namespace {

QFont ChartFont(int pt)
{
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPointSize(pt);
    return font;
}

// The legend from the right edge: OK text, its swatch, NG text, its swatch. Each text gets at least
// 100 px and as much as it needs, so no swatch lies over its first characters.
struct Legend {
    QRect okText, ngText;
    QRectF okSwatch, ngSwatch;
};

Legend LayOutLegend(int W, double half)
{
    const QFontMetrics fm(ChartFont(20));
    auto width = [&](const QString& t) { return std::max(100, fm.horizontalAdvance(t) + 4); };
    Legend l;
    const int okW = width(QStringLiteral("产出次数"));
    l.okText = QRect(W - 39 - okW, 5, okW, 30);
    l.okSwatch = QRectF(l.okText.left() - (5 + half), 5, half, 30);
    const int ngW = width(QStringLiteral("异常次数"));
    l.ngText = QRect(int(l.okSwatch.left()) - 5 - ngW, 5, ngW, 30);
    l.ngSwatch = QRectF(l.ngText.left() - (5 + half), 5, half, 30);
    return l;
}

}  // namespace

QList<PaintedText> Histogram::paintedTexts() const
{
    QList<PaintedText> out;
    const QFont small = ChartFont(15);
    const HistogramGeometry g = LayOutHistogram(width(), height(), barCount_, maxY_, s1_, s2_);
    for (int i = 0; i < g.bars.size(); ++i) {
        const HistogramBar& b = g.bars[i];
        out.append({QString::number(labels_.value(i)), small, b.label.toRect()});
        out.append({QString::number(s1_.value(i)), small, b.okValue});
        out.append({QString::number(s2_.value(i)), small, b.ngValue});
    }
    const Legend l = LayOutLegend(width() - 1, g.pitch / 2);
    out.append({QStringLiteral("产出次数"), ChartFont(20), l.okText});
    out.append({QStringLiteral("异常次数"), ChartFont(20), l.ngText});
    return out;
}

QList<QRectF> Histogram::legendSwatches() const
{
    const Legend l = LayOutLegend(width() - 1, LayOutHistogram(width(), height(), barCount_, maxY_, s1_, s2_).pitch / 2);
    return {l.ngSwatch, l.okSwatch};
}

void Histogram::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int W = width() - 1, H = height() - 1;
    painter.setPen(Qt::black);
    painter.drawLine(0, H - 19, W + 1, H - 19);
    painter.drawLine(20, 40, 20, H + 1);

    const HistogramGeometry g = LayOutHistogram(width(), height(), barCount_, maxY_, s1_, s2_);
    for (const HistogramBar& b : g.bars) {
        painter.drawLine(QLineF(b.centre, H - 29, b.centre, H - 19));
        painter.fillRect(b.ok, kOkColour);
        painter.fillRect(b.ng, kNgColour);
    }
    const QList<QRectF> swatches = legendSwatches();
    painter.fillRect(swatches[0], kNgColour);
    painter.fillRect(swatches[1], kOkColour);
    for (const PaintedText& t : paintedTexts()) {
        painter.setFont(t.font);
        painter.drawText(t.room, Qt::AlignCenter, t.text);
    }
}
