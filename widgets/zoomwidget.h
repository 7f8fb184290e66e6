#pragma once
// A vertical zoom knob that reports a zoom step from -100 (fully down) to 100 (fully up) while it
// is dragged and springs back to the centre on release.
#include <QPixmap>
#include <QWidget>

class ZoomWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZoomWidget(QWidget* parent = nullptr);

    int knobOffset() const { return offset_; }
    QPoint pressPoint() const { return QPoint(pressX_, pressY_); }
    // Knob offset and zoom step for a drag of d pixels (down positive).
    static void stepFor(int d, int* offset, int* step);

signals:
    void zoomSignal(int step);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QPixmap track_;
    QPixmap knob_;
    int pressX_ = 0;
    int pressY_ = 0;
    int offset_ = 0;
};
