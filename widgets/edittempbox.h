#pragma once
// A channel box: caption, lower-bound field, current value, upper-bound field. The bounds are
// typed through the global numeric keypad and clamped into the range when the entry is committed.
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class EditTempParam;

class EditTempBox : public QWidget {
    Q_OBJECT
public:
    // mode 0 shows integers, 2 value / scale (e.g. tenths of a degree shown in degrees).
    EditTempBox(int rangeMin, int rangeMax, int, int, QWidget* parent, const QString& caption, QString unit,
                int mode, int scale);

    void setValue(int v);
    bool judgeValue() const;
    void setValueRange(int lower, int upper);
    void setValueRange();
    void setMinValue(int v);
    void setMaxValue(int v);
    int getMinValue() const { return lower_; }
    int getMaxValue() const { return upper_; }
    bool checkFocus(QLineEdit* edit) const;
    void valueRange(int&, int&) {}

    EditTempParam* lowerField() const { return lowerEdit_; }
    EditTempParam* upperField() const { return upperEdit_; }
    // Keypad entry on a bound field, in the unit shown; see EditBox::typeDigit.
    void typeDigit(bool upper, int d, bool restart);
    // Keeps the bound in step with its field's text after a backspace.
    void syncFromText(bool upper, const QString& text);

signals:
    void valueChanged(int value);

public slots:
    void CheckRange();

private:
    int unitScale() const { return mode_ == 2 && scale_ > 0 ? scale_ : 1; }

    QLabel* caption_;
    QHBoxLayout* row_;
    int rangeMin_;
    int rangeMax_;
    int sizeType_ = 4;
    int value_ = 0;
    int scale_;
    int mode_;
    QString captionText_;
    EditTempParam* upperEdit_;
    EditTempParam* lowerEdit_;
    int lower_ = 0;
    int upper_ = 0;
    QLabel* valueLabel_;
};
