#include "statistics/statisticsfigures.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRegExp>

QString NgRateText(int ng, int total)
{
    // A day without moulds would divide 0 by 0.
    if (total == 0)
        return QStringLiteral("0%");
    return QStringLiteral("%1%").arg(double(ng * 100) / double(total), 0, 'g', 6);
}

QString CycleText(int tenths)
{
    return QStringLiteral("周期 %1").arg(double(tenths) / 10.0, 4, 'f', 1);
}

QStringList ArchiveDays(const QString& archiveDir, const QString& today)
{
    QStringList days{today};
    // An empty file holds no day (failed copies of earlier versions left such files).
    const QFileInfoList files = QDir(archiveDir).entryInfoList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
    for (int i = files.size() - 1; i >= 0; --i) {
        if (files[i].size() == 0)
            continue;
        QString name = files[i].fileName();
        name.chop(3);
        days << name;
    }
    return days;
}

QByteArray ExportTable(const ShownDay& s)
{
    QStringList lines;
    lines << s.day;
    lines << QStringLiteral("hour\tOK\tNG");
    for (int slot = 0; slot < 24; ++slot)
        lines << QStringLiteral("%1\t%2\t%3").arg((slot + 8) % 24).arg(s.ok.value(slot)).arg(s.ng.value(slot));
    lines << QStringLiteral("morning\t%1\t%2").arg(s.count[0]).arg(s.count[1]);
    lines << QStringLiteral("night\t%1\t%2").arg(s.count[2]).arg(s.count[3]);
    lines << QStringLiteral("day\t%1\t%2").arg(s.count[4]).arg(s.count[5]);
    lines << QStringLiteral("plan\t%1").arg(s.plan);
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

int FittingPixelSize(const QFont& font, const QString& text, int width)
{
    QFont f(font);
    const int own = QFontInfo(font).pixelSize();
    for (int px = own; px > 8; --px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        int widest = 0;
        for (const QString& line : text.split(QRegExp(QStringLiteral("\r\n|\n|\r"))))
            widest = qMax(widest, fm.horizontalAdvance(line));
        if (widest <= width)
            return px;
    }
    return 8;
}
