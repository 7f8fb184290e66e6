#include "settings/paragroups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/globals.h"
#include "vision/controller/databaseguard.h"
#include "vision/inspection/templatefile.h"
#include "widgets/textrow.h"

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

int NewParaGroupNameProblem(const QString& name)
{
    if (const int problem = ParaGroupNameProblem(name))
        return problem;
    // A leading "." hides the folder from the list; a name longer than a folder name may be
    // cannot be made; a control character is no name the keys type.
    if (name.startsWith('.') || QFile::encodeName(name).size() > kGroupNameBytes)
        return 640;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return 640;
    return 0;
}

QString ParaGroupPath(const QString& name)
{
    return QString(kParaGroupDir) + "/" + name;
}

bool SettleSetAsideGroups(QStringList* putBack)
{
    bool settled = true;
    const QStringList names =
        QDir(kBackupAside).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString aside = QString(kBackupAside) + "/" + name;
        const QString group = ParaGroupPath(name);
        if (!QFileInfo::exists(group) && !QFileInfo(group).isSymLink()) {
            if (QDir().rename(aside, group)) {
                qWarning("parameter group %s put back from %s", qPrintable(name), qPrintable(aside));
                if (putBack)
                    *putBack << name;
                continue;
            }
            qCritical("parameter group %s cannot be put back, it stays in %s", qPrintable(name), qPrintable(aside));
        } else if (QFileInfo(group + "/PARAM.db").isFile()) {
            if (QFileInfo(aside).isDir() ? QDir(aside).removeRecursively() : QFile::remove(aside))
                continue;
            qCritical("parameter group %s: the copy it replaced cannot be removed from %s", qPrintable(name),
                      qPrintable(aside));
        } else {
            qCritical("parameter group %s holds no PARAM.db, the group it replaced stays in %s", qPrintable(name),
                      qPrintable(aside));
        }
        settled = false;
    }
    return settled;
}

bool ParaGroupRestorable(const QString& name)
{
    if (name.isEmpty() || ParaGroupNameProblem(name) == 640)
        return false;
    return QFileInfo(ParaGroupPath(name) + "/PARAM.db").isFile();
}

QStringList ParaGroupProblems(const QString& dir, int cameras, int stages, bool foldersNeeded)
{
    QStringList problems;
    const QString param = QDir::cleanPath(dir + "/PARAM.db");
    QString why;
    if (!QFileInfo(param).isFile() || !DatabaseGuard::isSound(param, "sysparam", &why))
        problems << textRow(661).arg(param);
    for (int c = 1; c <= cameras && c <= MAX_CAMERA; ++c) {
        for (int s = 1; s <= stages && s <= MAX_DETECT; ++s) {
            const QString folder = QDir::cleanPath(dir + QString("/cammer%1%2").arg(c).arg(s));
            if (!QFileInfo(folder).isDir()) {
                if (foldersNeeded)
                    problems << textRow(662).arg(c).arg(s);
                continue;
            }
            const QStringList names =
                QDir(folder).entryList({"template*.bmp"}, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
            for (const QString& name : names) {
                const TemplateDamage damage = LoadTemplateFile(folder + "/" + name, gImageW, gImageH, gColorLen);
                if (damage != TemplateDamage::None)
                    problems << textRow(663).arg(folder + "/" + name, textRow(TemplateDamageRow(damage)));
            }
        }
    }
    return problems;
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
