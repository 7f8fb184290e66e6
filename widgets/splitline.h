#pragma once
// One-pixel separators in a given colour, owned by `parent`.
#include <QString>

class QWidget;

QWidget* createVerticalSplitLine(QWidget* parent, QString colour);
QWidget* createHorizontalSplitLine(QWidget* parent, QString colour);
