#pragma once
// The texts and lists the statistics screen shows and exports, derived from the store's figures.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QFont;

// "%1%" of ng x 100 / total with up to 6 significant digits; "0%" for a day without moulds.
QString NgRateText(int ng, int total);
// "周期 " and the cycle time (tenths of a second) in seconds, one decimal, 4 characters wide.
QString CycleText(int tenths);
// The day list: today first, then the archive's "*.db" days (empty files left out) newest first,
// without ".db".
QStringList ArchiveDays(const QString& archiveDir, const QString& today);

// The shown day's figures as an export table.
struct ShownDay {
    QString day;
    QList<int> ok;    // 24 hourly counts, slot 0 = 08:00
    QList<int> ng;
    int count[6] = {};  // morning OK/NG, night OK/NG, day OK/NG
    int plan = 0;
};
// Tab-separated lines: a header, one line per hour, the shift sums and the plan.
QByteArray ExportTable(const ShownDay& shown);

// The pixel size at which every line of `text` in `font` fits `width`: the font's own size when it
// fits, else the largest smaller one (not below 8 px).
int FittingPixelSize(const QFont& font, const QString& text, int width);
