#pragma once
// Hourly OK and NG counts of one shift as pairs of bars over labelled hour ticks, each bar with its
// value, and a legend.
#include <QList>
#include <QMap>
#include <QRect>
#include <QWidget>

#include "widgets/paintedtexts.h"

// Where the chart puts bar i in a widget of the given size (plain geometry, used by the painting).
struct HistogramBar {
    double centre = 0;
    QRect ok;         // OK bar (height 0: not drawn)
    QRect ng;
    QRect okValue;    // value labels
    QRect ngValue;
    QRectF label;     // hour label
};
struct HistogramGeometry {
    double pitch = 0;
    double scale = 0;
    QList<HistogramBar> bars;
};
HistogramGeometry LayOutHistogram(int width, int height, int barCount, int maxY, const QList<int>& s1,
                                  const QList<int>& s2);

class Histogram : public QWidget, public PaintedTexts {
    Q_OBJECT
public:
    explicit Histogram(QWidget* parent);
    Histogram(QWidget* parent, QList<int> labels);
    Histogram(QWidget* parent, QList<int> labels, QList<int> s1, QList<int> s2);

    void modifyDataAxisY(QList<int> s1, QList<int> s2);
    void modifyDataAxisY1(QList<int> s1);
    void modifyDataAxisY2(QList<int> s2);
    // Only empties the chart: nothing feeds it a map.
    void modifydata(QMap<int, int>);
    void clcMaxY();

    int barCount() const { return barCount_; }
    int maxY() const { return maxY_; }
    const QList<int>& series1() const { return s1_; }
    const QList<int>& series2() const { return s2_; }

    // Every text the chart paints: hour labels, bar values and the legend, each in its rect.
    QList<PaintedText> paintedTexts() const override;
    // The legend's swatches (NG, then OK), left of their texts.
    QList<QRectF> legendSwatches() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<int> padded(QList<int> s) const;

    QList<int> s1_;
    QList<int> s2_;
    QList<int> labels_;
    int barCount_ = 0;
    int maxY_ = 0;
};
