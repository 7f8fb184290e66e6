#include "settings/paragroups.h"

#include <QDir>
#include <QFileInfo>

#include "core/globals.h"

QStringList ListParaGroups()
{
    return QDir(kParaGroupDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

int ParaGroupNameProblem(const QString& name)
{
    if (name.isEmpty())
        return 282;
    if (name == "." || name == ".." || name.contains('/') || name.contains(QChar(0)))
        return 640;
    if (name == kDefaultGroup)
        return 641;
    return 0;
}

QString ParaGroupPath(const QString& name)
{
    return QString(kParaGroupDir) + "/" + name;
}

bool ParaGroupRestorable(const QString& name)
{
    if (name.isEmpty() || ParaGroupNameProblem(name) == 640)
        return false;
    return QFileInfo(ParaGroupPath(name) + "/PARAM.db").isFile();
}

QStringList RegionFolders(int stages)
{
    QStringList found;
    for (int c = 1; c <= MAX_CAMERA; ++c) {
        for (int s = 1; s <= stages && s <= MAX_DETECT; ++s) {
            const QString name = QString("cammer%1%2").arg(c).arg(s);
            if (QFileInfo(name).isDir())
                found << name;
        }
    }
    return found;
}
