#pragma once
// The look shared by the warning, question and password boxes: a title column, a grey split line
// and, on the right, the icon row above the button row; 680 x 250 centred in the display area.
#include <QString>

class QBoxLayout;
class QDialog;
class QLabel;
class QLayout;

extern const char* const kBoxStyleSheet;

// Lays out `box` with its title label (fixed `titleWidth`), icon row and button row.
void buildBoxFrame(QDialog* box, QLabel* title, int titleWidth, QLayout* iconRow, QLayout* buttonRow);
// Centres `box` (680 x 250) in the display area gShowW x gShowH.
void centreBox(QDialog* box);
