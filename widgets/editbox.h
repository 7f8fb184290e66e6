#pragma once
// A value box: caption, -5 / -1 buttons, the value field, +1 / +5 buttons. The global numeric
// keypad types into its field through typeDigit; the range is enforced when the entry is
// committed (the field loses the focus) and by the step buttons.
#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class ColorButton;
class EditParam;

class EditBox : public QWidget {
    Q_OBJECT
public:
    // mode 0 shows integers, 2 value / scale, any other mode nothing.
    EditBox(int min, int max, QWidget* parent, const QString& caption, QString unit, int mode, int scale);

    int value() const { return value_; }
    void setValue(int v);   // store and CheckRange
    void setValue();        // show the stored value by the display mode
    void setInputValue(int v) { value_ = v; }
    void setUse0(bool use) { use0_ = use; }
    void setText(const QString& caption);
    int getType() const { return mode_; }
    void setSampleShow();
    void setLabelColor(QColor c);

    EditParam* field() const { return edit_; }
    // Keypad entry on the field: digit d appended to the number shown (or starting a new one);
    // values above the maximum stop at it, the minimum waits for the commit.
    void typeDigit(int d, bool restart);
    // Keeps the stored value in step with the field's text after a backspace.
    void syncFromText(const QString& text);
    // The text the display mode gives for v.
    QString display(int v) const;

signals:
    void valueChanged(int value);

public slots:
    void AddOne();
    void SubOne();
    void AddFive();
    void SubFive();
    void CheckRange();

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    int unitScale() const { return mode_ == 2 && scale_ > 0 ? scale_ : 1; }

    EditParam* edit_;
    ColorButton* addOne_;
    ColorButton* subOne_;
    ColorButton* addFive_;
    ColorButton* subFive_;
    QLabel* caption_;
    QHBoxLayout* row_;
    int min_;
    int max_;
    int sizeType_ = 4;
    int value_ = 0;
    bool use0_ = false;
    int scale_;
    int mode_;
    QString captionText_;
};

// Shared by the value boxes: the number shown for v by a display mode (nothing for unknown modes;
// a scale of 0 counts as 1).
QString displayByMode(int v, int mode, int scale);
// Appends digit d to the number a value shows in its display unit (`unit` raw steps per shown
// step), or starts a new number; saturates at `limit` instead of overflowing.
int appendDigit(int value, int d, bool restart, int unit, int limit);
// The raw value a shown text stands for (text in display units).
int valueFromShown(const QString& text, int unit);
