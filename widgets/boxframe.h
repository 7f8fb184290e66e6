#pragma once
// The look shared by the warning, question and password boxes: a title column, a grey split line
// and, on the right, the icon row above the button row; 680 x 250 centred in the display area.
#include <QString>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QLabel;
class QLayout;
class QPushButton;

extern const char* const kBoxStyleSheet;

// Lays out `box` with its title label (fixed `titleWidth`), icon row and button row.
void buildBoxFrame(QDialog* box, QLabel* title, int titleWidth, QLayout* iconRow, QLayout* buttonRow);
// The warning icon (70 x 70) beside the wrapped message, both at the top; the icon goes to `icon`.
QHBoxLayout* buildIconRow(QDialog* box, QLabel* message, QLabel** icon = nullptr);
// The row of two equal buttons, 72 px high, 30 px apart and from the edges.
QHBoxLayout* buildButtonPair(QPushButton* first, QPushButton* second);
// Reads the title from text row `row` (when one is set, row >= 0) in the language in force, then
// fits it as fitTitle does.
void showTitle(QLabel* title, int row);
// Shrinks the title's type below the boxes' 30 px until every word of it fits the title column
// (long English titles such as "Password confirmation" would otherwise be cut).
void fitTitle(QLabel* title);
// Breaks the message's lines by the width of its glyphs and shrinks its type below 30 px until
// they fit above the buttons, whose top edge in `box` is `buttonTop` (long warnings would otherwise
// be cut at the box's fixed size, or widen it).
void fitMessage(QDialog* box, QLabel* message, int buttonTop);
// The message's text as set, before fitMessage broke its lines.
QString messageText(const QLabel* message);
// Centres `box` (680 x 250, fixed) in the display area gShowW x gShowH, cut to it.
void centreBox(QDialog* box);
