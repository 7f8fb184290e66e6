#pragma once
// Style-sheet helpers: fill fixed templates with a colour scheme or explicit colours and set the
// result on a widget.
#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

class C_Type_COM : public QWidget {
    Q_OBJECT
public:
    // Of fixed width: any int is a valid value (one out of range colours nothing).
    enum C_Color : int { Color0 = 0, Color1 = 1, Color2 = 2, Color3 = 3 };

    explicit C_Type_COM(QWidget* parent = nullptr) : QWidget(parent) {}

    void setBtnQss(QPushButton* btn, QString normalBackground, QString normalText, QString hoverBackground,
                   QString hoverText, QString pressedBackground, QString pressedText);
    void setBtnQss(QPushButton* btn, C_Color color);
    void setTxtQss(QLineEdit* edit, QString borderColour, QString focusBorderColour);
    void setTxtQss(QLineEdit* edit, C_Color color);
    void setBarQss(QProgressBar* bar, QString background, QString chunk);
    void setBarQss(QProgressBar*, C_Color) {}
    void setSliderQss(QSlider* slider, QString groove, QString subPage, QString handle);
    void setSliderQss(QSlider* slider, C_Color color);

public slots:
    void initForm() {}
};
