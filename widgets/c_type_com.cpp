#include "widgets/c_type_com.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStringList>

void C_Type_COM::setBtnQss(QPushButton* btn, QString normalBackground, QString normalText, QString hoverBackground,
                           QString hoverText, QString pressedBackground, QString pressedText)
{
    btn->setFocusPolicy(Qt::NoFocus);
    QStringList qss;
    qss << QString("QPushButton{border-style:none;padding:3px;border-radius:5px;color:%1;background:%2;}")
               .arg(normalText, normalBackground);
    qss << QString("QPushButton:hover{color:%1;background:%2;}").arg(hoverText, hoverBackground);
    qss << QString("QPushButton:pressed{color:%1;background:%2;}").arg(pressedText, pressedBackground);
    btn->setStyleSheet(qss.join(""));
}

void C_Type_COM::setBtnQss(QPushButton* btn, C_Color color)
{
    static const char* const colours[4][6] = {
        {"#323232", "#FFFFFF", "#323232", "#FFFFFF", "#C8934A", "#FFFFFF"},
        {"#1ABC9C", "#E6F8F5", "#2EE1C1", "#FFFFFF", "#16A086", "#A7EEE6"},
        {"#3498DB", "#FFFFFF", "#5DACE4", "#E5FEFF", "#2483C7", "#A0DAFB"},
        {"#E74C3C", "#FFFFFF", "#EC7064", "#FFF5E7", "#DC2D1A", "#F5A996"}};
    const int c = int(color);
    if (c < 0 || c > 3)
        return;
    setBtnQss(btn, colours[c][0], colours[c][1], colours[c][2], colours[c][3], colours[c][4], colours[c][5]);
}

void C_Type_COM::setTxtQss(QLineEdit* edit, QString borderColour, QString focusBorderColour)
{
    QStringList qss;
    qss << QString("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid %1;}").arg(borderColour);
    qss << QString("QLineEdit:focus{border:2px solid %1;}").arg(focusBorderColour);
    edit->setStyleSheet(qss.join(""));
}

void C_Type_COM::setTxtQss(QLineEdit* edit, C_Color color)
{
    static const char* const focus[4] = {"#34495E", "#1ABC9C", "#3498DB", "#E74C3C"};
    const int c = int(color);
    if (c < 0 || c > 3)
        return;
    setTxtQss(edit, "#DCE4EC", focus[c]);
}

void C_Type_COM::setBarQss(QProgressBar* bar, QString background, QString chunk)
{
    QStringList qss;
    qss << QString("QProgressBar{font:9pt;height:%2px;background:%1;border-radius:%3px;text-align:center;"
                   "border:1px solid %1;}")
               .arg(background)
               .arg(8)
               .arg(8);
    qss << QString("QProgressBar:chunk{border-radius:%2px;background-color:%1;}").arg(chunk).arg(8);
    bar->setStyleSheet(qss.join(""));
}

void C_Type_COM::setSliderQss(QSlider* slider, QString groove, QString subPage, QString handle)
{
    QStringList qss;
    qss << QString("QSlider::groove:horizontal,QSlider::add-page:horizontal{height:%2px;border-radius:%3px;"
                   "background:%1;}")
               .arg(groove)
               .arg(14)
               .arg(4);
    qss << QString("QSlider::sub-page:horizontal{height:%2px;border-radius:%3px;background:%1;}")
               .arg(subPage)
               .arg(14)
               .arg(4);
    qss << QString("QSlider::handle:horizontal{width:%2px;margin-top:-%3px;margin-bottom:-%3px;border-radius:%4px;"
                   "background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,"
                   "stop:0.6 #FFFFFF,stop:0.8 %1);}")
               .arg(handle)
               .arg(16)
               .arg(3)
               .arg(6);
    qss << QString("QSlider {background:rgb(170,170,170);margin:5px;padding:2px;height:10px;border-radius:4px}");
    qss << QString("QSlider::sub-page:horizontal{background:qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, "
                   "stop:1 rgba(50,50,50, 255), stop:0 blue)}");
    slider->setStyleSheet(qss.join(""));
}

void C_Type_COM::setSliderQss(QSlider* slider, C_Color color)
{
    static const char* const colours[4] = {"#191532", "#1ABC9C", "#3498DB", "#E74C3C"};
    const int c = int(color);
    if (c < 0 || c > 3)
        return;
    setSliderQss(slider, "#FFFBF0", colours[c], colours[c]);
}
