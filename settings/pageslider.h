#pragma once
// One slider row of a settings page: caption, 600-pixel horizontal slider, value label (touched it
// opens the numeric keyboard) and unit label, added to a grid row.
#include <QString>

class BlineLabel;
class QGridLayout;
class QLabel;
class QSlider;
class QWidget;

extern const char* const kPageValueLabelStyle;
extern const char* const kPageUnitLabelStyle;

struct PageSlider {
    QLabel* caption = nullptr;
    QSlider* slider = nullptr;
    BlineLabel* value = nullptr;
    QLabel* unit = nullptr;

    void setVisible(bool on) const;
};

PageSlider AddPageSlider(QGridLayout* grid, int row, QWidget* parent, const QString& caption, int minimum,
                         int maximum, const QString& unit = QString());

// Loads a stored value into a slider. A value outside the range lands at the slider's end; the
// slider then announces that end even when it already stood there, so the page's listeners store
// the value it shows (a silent clamp would leave the record and the camera at the stored value).
void LoadSlider(QSlider* slider, int stored);
