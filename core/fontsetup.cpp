#include "core/fontsetup.h"

#include <QFont>
#include <QFontDatabase>
#include <QLoggingCategory>

QStringList ScreenFontFamilies()
{
    return {"wqy-microhei", "wenquanyi", "SourceHanSansCN-Medium"};
}

QStringList CjkFontFamilies()
{
    return {"WenQuanYi Micro Hei", "Noto Sans CJK SC"};
}

bool InstallFontSubstitutions()
{
    const QStringList installed = QFontDatabase().families();
    QStringList found;
    for (const QString& family : CjkFontFamilies()) {
        if (installed.contains(family, Qt::CaseInsensitive))
            found << family;
    }
    if (found.isEmpty()) {
        qCritical("no CJK font installed (need %s): Chinese texts cannot be shown",
                  qPrintable(CjkFontFamilies().join(", ")));
        return false;
    }
    // Source Han Sans and Noto Sans CJK are the same design: prefer it for the application font.
    QStringList sourceHan = found;
    if (sourceHan.contains("Noto Sans CJK SC")) {
        sourceHan.removeAll("Noto Sans CJK SC");
        sourceHan.prepend("Noto Sans CJK SC");
    }
    for (const QString& family : ScreenFontFamilies()) {
        QFont::removeSubstitutions(family);
        QFont::insertSubstitutions(family, family.startsWith("SourceHan") ? sourceHan : found);
    }
    return true;
}
