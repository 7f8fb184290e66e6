#pragma once
// Looks shared by the modal keyboards and the numeric keypad.
#include <QString>

// The keyboards' style sheet with `className` as the first selector.
inline QString keyboardStyleSheet(const char* className)
{
    return QString::fromLatin1(className) +
           QStringLiteral("{background-color:#e9e9e9;}QLabel{font-size:26px;color:#656263;}"
                          "QLineEdit{height:60px;font-size:36px;color:#2b418a;background-color:#ffffff;"
                          "border-width:1px;border-style:solid;border-color:#696667;}"
                          "QPushButton{width:73px;height:73px;background-color:#ffffff;border-width:1px;"
                          "border-style:solid;border-color:#696667;color:#575455;font-size:22px;}"
                          "QPushButton:pressed{background-color:#656263;color:#ffffff;}");
}

constexpr const char* kCloseButtonStyle = "width:32px;height:32px;icon-size: 32px 32px;border-style:none;";
constexpr const char* kHintStyle = "font-size:18px;";
constexpr const char* kFunctionKeyStyle = "background-color:#d2d2d2;";
