#pragma once
// The value label beside a slider: touched, it opens an on-screen keyboard and writes the entered
// number into the slider. The label is formatted from the slider's value: pages that show other
// units connect the slider's valueChanged(int) to a slot that rewrites the label.
#include <QLabel>

#include "widgets/blineedit.h"

class QSlider;

class BlineLabel : public QLabel {
    Q_OBJECT
public:
    BlineLabel(QSlider* slider, QWidget* parent, QString title, QString hint, KeyboardType type);
    BlineLabel(QSlider* slider, QWidget* parent, QString title, QString hint, int type)
        : BlineLabel(slider, parent, std::move(title), std::move(hint), type == 0 ? KeyboardDigital : KeyboardFull)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The slider value an accepted entry stands for: with the numeric keyboard a number below 1
    // counts in tenths (0.5 gives 5), otherwise the integer part; saturated to the int range.
    static int entryToValue(const QString& text, KeyboardType type);

private:
    QSlider* slider_;
    QString title_;
    QString hint_;
    KeyboardType type_;
    QString kept_;  // the label's text when it was pressed
};
