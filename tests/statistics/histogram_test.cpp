#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include "statistics/histogram.h"

namespace {
const QList<int> kMorning{8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};

QImage Render(Histogram& h)
{
    h.resize(1600, 420);
    QImage img(1600, 420, QImage::Format_RGB32);
    img.fill(Qt::white);
    h.render(&img);
    return img;
}

bool Green(QRgb c) { return qGreen(c) > 200 && qRed(c) < 120 && qBlue(c) < 120; }
bool Red(QRgb c) { return qRed(c) > 200 && qGreen(c) < 120 && qBlue(c) < 120; }
bool Dark(QRgb c) { return qGray(c) < 100; }

int Count(const QImage& img, QRect r, bool (*test)(QRgb))
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += test(img.pixel(x, y)) ? 1 : 0;
    return n;
}
}  // namespace

TEST(Histogram, TwelveBarsStandAtTheirPitchAndTheLargestFillsTheScale)
{
    QList<int> ok;
    for (int i = 0; i < 12; ++i)
        ok << (i == 0 ? 360 : 10 * i);
    Histogram h(nullptr, kMorning, ok, {0, 90});
    const HistogramGeometry g = LayOutHistogram(1600, 420, 12, h.maxY(), h.series1(), h.series2());
    ASSERT_EQ(g.bars.size(), 12);
    EXPECT_EQ(g.pitch, 120);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(g.bars[i].centre, 140 + 120 * i);
    EXPECT_EQ(g.bars[0].ok, QRect(80, 40, 60, 360));
    EXPECT_EQ(g.bars[0].okValue.top(), 40);

    const QImage img = Render(h);
    // The 360 bar: green from its top at 40 down to the axis, nothing above it.
    EXPECT_TRUE(Green(img.pixel(85, 45)));
    EXPECT_TRUE(Green(img.pixel(135, 395)));
    EXPECT_EQ(Count(img, QRect(80, 20, 60, 19), Green), 0);
    // Its value label is drawn at the bar top; the NG bar of value 90 is 90 high beside it.
    EXPECT_GT(Count(img, QRect(80, 40, 60, 20), Dark), 0);
    EXPECT_TRUE(Red(img.pixel(265, 395)));
    EXPECT_TRUE(Red(img.pixel(265, 312)));
    EXPECT_FALSE(Red(img.pixel(265, 305)));
    // Ticks at the bar centres, none between them.
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(Dark(img.pixel(140 + 120 * i, 395))) << i;
}

TEST(Histogram, AllZerosDrawAxesLabelsAndLegendButNoBar)
{
    Histogram h(nullptr, kMorning);
    EXPECT_EQ(h.maxY(), 0);
    const QImage img = Render(h);
    EXPECT_EQ(Count(img, QRect(0, 40, 1600, 380), Green), 0);
    EXPECT_EQ(Count(img, QRect(0, 40, 1600, 380), Red), 0);
    EXPECT_TRUE(Dark(img.pixel(800, 400)));  // x axis
    EXPECT_TRUE(Dark(img.pixel(20, 200)));   // y axis
    EXPECT_GT(Count(img, QRect(80, 380, 60, 20), Dark), 0);   // the zero value label
    EXPECT_GT(Count(img, QRect(80, 400, 120, 20), Dark), 0);  // the hour label
    EXPECT_GT(Count(img, QRect(0, 5, 1600, 30), Green), 0);   // legend swatches
    EXPECT_GT(Count(img, QRect(0, 5, 1600, 30), Red), 0);
}

TEST(Histogram, ShortSeriesArePaddedLongOnesKept)
{
    Histogram h(nullptr, kMorning);
    QList<int> longer;
    for (int i = 0; i < 14; ++i)
        longer << 1;
    h.modifyDataAxisY({1, 2, 3, 4, 5}, longer);
    EXPECT_EQ(h.series1(), (QList<int>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(h.series2().size(), 14);
    EXPECT_EQ(h.maxY(), 5);
    h.modifydata({});
    EXPECT_EQ(h.barCount(), 0);
}

TEST(Histogram, LegendSwatchesStayBesideTheirTextsAndEveryTextInsideTheChart)
{
    Histogram h(nullptr, kMorning, {1234}, {987});
    for (int width : {1520, 1600}) {
        h.resize(width, 420);
        const QList<PaintedText> texts = h.paintedTexts();
        ASSERT_EQ(texts.size(), 12 * 3 + 2);
        const QList<QRectF> swatches = h.legendSwatches();
        ASSERT_EQ(swatches.size(), 2);
        // The legend texts are the last two (OK, then NG); each swatch ends before its text's first
        // glyph, drawn centred in its rect.
        for (int k = 0; k < 2; ++k) {
            const PaintedText& t = texts[texts.size() - 2 + k];
            const int advance = QFontMetrics(t.font).horizontalAdvance(t.text);
            EXPECT_LE(advance, t.room.width()) << t.text.toStdString();
            const double firstGlyph = t.room.left() + (t.room.width() - advance) / 2.0;
            EXPECT_LE(swatches[1 - k].right(), firstGlyph) << t.text.toStdString();
            EXPECT_GE(swatches[1 - k].left(), 0.0);
        }
        for (const PaintedText& t : texts)
            EXPECT_TRUE(h.rect().contains(t.room)) << t.text.toStdString() << " at width " << width;
    }
}
