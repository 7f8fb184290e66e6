#include "settings/helppages.h"

#include <QDir>

QString HelpDirectory(int language)
{
    return language == 0 ? QStringLiteral("./help/") : QStringLiteral("./help-en/");
}

QStringList HelpPageFiles(const QString& dir)
{
    QStringList files;
    const QStringList names = QDir(dir).entryList({"*.png"}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        if (files.size() == kHelpMaxPages)
            break;
        files << dir + name;
    }
    return files;
}

int HelpStepper::shown(int page) const
{
    const int n = count < 1 ? 1 : count;
    if (page < 0)
        return 0;
    return page >= n ? n - 1 : page;
}

int HelpStepper::next(int page) const
{
    const int n = count < 1 ? 1 : count;
    return (shown(page) + 1) % n;
}

int HelpStepper::previous(int page) const
{
    const int n = count < 1 ? 1 : count;
    const int p = shown(page) - 1;
    return p < 0 ? n - 1 : p;
}
