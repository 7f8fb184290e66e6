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
    // Noto first: WenQuanYi Micro Hei maps some signs (the degree sign "℃") to an empty glyph.
    return {"Noto Sans CJK SC", "WenQuanYi Micro Hei"};
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
    for (const QString& family : ScreenFontFamilies()) {
        QFont::removeSubstitutions(family);
        QFont::insertSubstitutions(family, found);
    }
    return true;
}
