#pragma once
// A horizontal touch slider drawn from pictures: caption, value box, "- 1", track with knob, "+ 1".
// Touching the value box calls up the numeric keypad through a hidden entry field.
#include <QAbstractSlider>

class ColorButton;
class Edit;

class Slider : public QAbstractSlider {
    Q_OBJECT
public:
    Slider(int min, int max, int pageStep, int value, QWidget* parent, const QString& name);

    void Reset(int min, int max, int pageStep, int value, const QString& name);

    ColorButton* addButton() const { return add_; }
    ColorButton* subButton() const { return sub_; }
    Edit* entryField() const { return edit_; }
    QRect knobRect() const { return QRect(knobX_, knobY_, knobW_, knobH_); }
    int trackWidth() const { return trackW_; }
    int fillLength() const { return fillLen_; }
    int fillOffset() const { return fillOff_; }
    // Filled length for a value (0 for an empty range).
    static int fillFor(int value, int minimum, int maximum, int fillLength);
    // Value change for a drag of dx pixels (0 while the finger has not moved a whole step).
    static int dragDelta(int dx, int minimum, int maximum, int fillLength);

public slots:
    void Add();
    void Sub();
    void SetText(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    ColorButton* add_;
    ColorButton* sub_;
    Edit* edit_;
    int trackW_ = 0;
    int fillOff_ = 0;
    int fillLen_ = 0;
    int knobX_ = 0, knobY_ = 0, knobW_ = 0, knobH_ = 0;
    int dragX_ = -1, dragY_ = -1;
};
