#pragma once
// Measures what a shown window shows: every visible caption against the room its widget gives it
// (after style sheets, padding, indicators, icons and arrows, and clipped by the parents), and every
// control that lies partly outside its window.
#include <QList>
#include <QString>

class QWidget;

struct TextMiss {
    QString widget;  // class, object name and the nearest named parent
    QString text;    // the caption; empty for a control outside its window
    int need = 0;    // pixels the caption (or the control) needs
    int room = 0;    // pixels it has
    QString Line() const;
};

// Every miss of the visible widgets of `window` (itself included).
QList<TextMiss> MeasureWindow(QWidget* window);
