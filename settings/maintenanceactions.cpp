#include "settings/maintenanceactions.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include "core/commandrunner.h"
#include "core/findau.h"
#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/startup.h"
#include "core/syspath.h"
#include "core/wizardpara.h"
#include "settings/paragroups.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/startuphold.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

bool MaintenanceHost::ask(const QString& text)
{
    return showChooseBox(text);
}

void MaintenanceHost::warn(const QString& text)
{
    showWarnBox(text);
}

void MaintenanceHost::saveParameters()
{
    if (gpWPara)
        gpWPara->SaveDatatoFile();
}

void MaintenanceHost::stopWatchdog()
{
    StopWTD();
}

void MaintenanceHost::pause(int ms)
{
    QThread::msleep(ulong(ms));
}

QString MaintenanceHost::findStick()
{
    return FindAU();
}

void MaintenanceHost::exitProcess(int code)
{
    Exit(code);
}

QString UpdateTargetName(const QString& path)
{
    const QStringList parts = path.split('/', Qt::SkipEmptyParts);
    const QString name = parts.isEmpty() ? QString() : parts.last();
    if (name.contains(".tar.gz"))
        return "newupdate.tar.gz";
    if (name.contains(".tar.xz"))
        return "newupdate.tar.xz";
    if (name.contains(".rar"))
        return "newupdate.rar";
    return QString();
}

namespace {
constexpr QDir::Filters kAllFiles = QDir::Files | QDir::Hidden | QDir::System;

// The entries "dir/*" would name: what the shell glob gave, without hidden entries.
QStringList Glob(const QString& dir)
{
    QStringList paths;
    const QDir d(dir);
    for (const QString& e : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name))
        paths << dir + "/" + e;
    return paths;
}
}  // namespace

bool CopyTreeVerified(const QString& from, const QString& to)
{
    const QDir src(from);
    if (!src.exists() || !QDir().mkpath(to))
        return false;
    const QString dstAbs = QDir(to).absolutePath();
    QHash<QString, qint64> copied;
    QDirIterator it(from, kAllFiles, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // A destination inside the source would be copied into itself.
        if (QFileInfo(path).absolutePath().startsWith(dstAbs))
            continue;
        const QString rel = src.relativeFilePath(path);
        const QString target = to + "/" + rel;
        const QFileInfo info(path);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(path, target))
            return false;
        copied.insert(rel, info.size());
    }
    int onStick = 0;
    QDirIterator check(to, kAllFiles, QDirIterator::Subdirectories);
    while (check.hasNext()) {
        const QString path = check.next();
        const QString rel = QDir(to).relativeFilePath(path);
        auto found = copied.constFind(rel);
        if (found == copied.constEnd() || QFileInfo(path).size() != found.value())
            return false;
        ++onStick;
    }
    return onStick == copied.size();
}

bool MaintenanceActions::run(const QString& program, const QStringList& args, int pauseMs)
{
    const CommandResult r = runCommand(program, args);
    if (pauseMs > 0)
        host_.pause(pauseMs);
    return r.ok();
}

void MaintenanceActions::reboot()
{
    run("reboot", {});
}

QString MaintenanceActions::waitForStick()
{
    for (;;) {
        const QString mount = host_.findStick();
        if (!mount.isEmpty())
            return mount;
        if (!host_.ask(textRow(320)))
            return QString();
    }
}

void MaintenanceActions::updateGroupList()
{
    // A group a cut-short backup left set aside is listed, and restorable, under its name again;
    // the copy it was making goes (the list is made at each start, never during a backup).
    SettleSetAsideGroups();
    const QString staging = ParaGroupPath(".backup");
    if (QFileInfo::exists(staging) && !QDir(staging).removeRecursively())
        qWarning("parameter group backup: the copy a backup cut short left in %s cannot be removed", qPrintable(staging));
    host_.setGroupItems(ListParaGroups());
}

void MaintenanceActions::backupGroup()
{
    const QString name = host_.groupNameText();
    host_.hideCharPad();
    if (const int problem = NewParaGroupNameProblem(name)) {
        host_.warn(textRow(problem));
        return;
    }
    if (!host_.ask(textRow(283)))
        return;
    host_.acceptSettings();
    // A group put back under this name is replaced only when the operator says so.
    QStringList listedAgain;
    SettleSetAsideGroups(&listedAgain);
    if (!listedAgain.isEmpty())
        updateGroupList();
    const bool exists = host_.groupItems().contains(name);
    if (exists && !host_.ask(textRow(284)))
        return;
    QStringList putBack;
    if (!CopyGroupInPlace(name, &putBack)) {
        // No group is changed and the group in force stays.
        if (!putBack.isEmpty())
            updateGroupList();
        host_.warn(textRow(649));
        return;
    }
    if (!exists || !putBack.isEmpty())
        updateGroupList();
    const int index = host_.groupItems().indexOf(name);
    if (gpWPara) {
        gpWPara->param_group = index;
        host_.setGroupIndex(index);
        gpWPara->SaveAddFile();
    }
}

bool MaintenanceActions::CopyGroupInPlace(const QString& name, QStringList* putBack)
{
    // The copy is made in a hidden folder (no group name starts with ".") and takes the group's
    // name only whole, so a copy that fails leaves the old group as it was. The group it replaces
    // waits under its own name, so a backup cut short between the renames can be undone.
    const QString staging = ParaGroupPath(".backup");
    const QString aside = QString(kBackupAside) + "/" + name;
    const QString target = ParaGroupPath(name);
    SettleSetAsideGroups(putBack);
    // Set-aside groups not settled are the only copies of their groups: they stay, and a group
    // that still has one is not replaced.
    bool ok = !QFileInfo::exists(aside) && QDir(staging).removeRecursively() && QDir().mkpath(staging);
    for (const QString& region : RegionFolders(gDNum))
        ok = ok && run("cp", {"-rf", region, staging + "/"}, 100);
    ok = ok && run("cp", {"-rf", "PARAM.db", staging + "/"}, 300);
    const bool replacing = QFileInfo::exists(target);
    if (ok && replacing)
        ok = QDir().mkpath(kBackupAside) && QDir().rename(target, aside);
    if (ok && !QDir().rename(staging, target))
        ok = false;
    QDir(staging).removeRecursively();
    // Puts the old group back when the new one did not take its place, else removes it.
    if (replacing && !SettleSetAsideGroups())
        qCritical("parameter group backup of %s: a replaced group is kept in %s", qPrintable(name), kBackupAside);
    return ok;
}

void MaintenanceActions::restoreGroup()
{
    const int index = host_.groupIndex();
    const QStringList items = host_.groupItems();
    // With no group listed the commands below would work on "paraGroup/" itself.
    if (index < 0 || index >= items.size())
        return;
    const QString name = items.at(index);
    if (!host_.ask(textRow(285)))
        return;
    // Nothing is removed unless the group can put parameters back.
    if (!ParaGroupRestorable(name)) {
        host_.warn(textRow(642));
        return;
    }
    const bool foldersNeeded = name != kDefaultGroup;
    const QStringList problems = ParaGroupProblems(ParaGroupPath(name), numCamera, gDNum, foldersNeeded);
    if (!problems.isEmpty()) {
        host_.warn(textRow(660).arg(name, problems.join("\r\n")));
        return;
    }
    host_.record(textRow(286).arg(name));
    // PARAM.db is replaced below: its connections must be closed first.
    host_.flushAll();
    // The files in force the copy replaces are set aside, not removed, so a copy that fails can
    // be undone. Region folders the group lacks go too: they belong to the parameters replaced.
    const QString aside = QString(kRestoreAside) + "/";
    QStringList replaced = RegionFolders(gDNum);
    for (const QString& path : Glob(ParaGroupPath(name)))
        if (!replaced.contains(QFileInfo(path).fileName()))
            replaced << QFileInfo(path).fileName();
    QStringList moved, present;
    for (const QString& entry : replaced)
        if (QFileInfo::exists(entry))
            present << entry;
    bool ok = QDir(kRestoreAside).removeRecursively() && QDir().mkpath(kRestoreAside);
    for (const QString& entry : replaced) {
        if (ok && QFileInfo::exists(entry)) {
            ok = QDir().rename(entry, aside + entry);
            if (ok)
                moved << entry;
        }
    }
    if (ok)
        ok = run("cp", QStringList{"-rf"} + Glob(ParaGroupPath(name)) + QStringList{"."}, 300)
             && ParaGroupProblems(".", numCamera, gDNum, foldersNeeded).isEmpty();
    if (!ok) {
        // What the copy put in place goes; what was never moved is the file in force.
        for (const QString& entry : replaced) {
            if (present.contains(entry) && !moved.contains(entry))
                continue;
            if (QFileInfo(entry).isDir())
                QDir(entry).removeRecursively();
            else
                QFile::remove(entry);
        }
        for (const QString& entry : moved)
            QDir().rename(aside + entry, entry);
        host_.record(textRow(664));
        host_.warn(textRow(664));
        return;
    }
    // The group in force changes only with a restore that took.
    if (gpWPara) {
        gpWPara->param_group = index;
        gpWPara->SaveAddFile();
    }
    // Parameters of the operator's choice are in force again: the next start holds no mould for
    // the default copy that was put in place of a damaged PARAM.db.
    StartupHold::ForgetReplaced();
    reboot();
}

void MaintenanceActions::deleteGroup()
{
    const int index = host_.groupIndex();
    const QStringList items = host_.groupItems();
    if (index < 0 || index >= items.size())
        return;
    const QString name = items.at(index);
    if (const int problem = ParaGroupNameProblem(name)) {
        host_.warn(textRow(problem));
        return;
    }
    if (!host_.ask(textRow(287)))
        return;
    host_.removeGroupItem(index);
    run("rm", {"-rf", ParaGroupPath(name)}, 100);
}

void MaintenanceActions::updateApp()
{
    if (waitForStick().isEmpty())
        return;
    const QString path = host_.chooseUpdateFile();
    if (path.size() < 3)
        return;
    if (!host_.ask(textRow(323)))
        return;
    // Decided before the watchdog stops, so an unusable file leaves the program as it was.
    const QString target = UpdateTargetName(path);
    if (target.isEmpty())
        return;
    host_.stopWatchdog();
    if (!run("cp", {"-rf", path, "./" + target}, 300)) {
        host_.warn(textRow(643));
        return;
    }
    host_.flushAll();
    run("sync", {});
    reboot();
}

void MaintenanceActions::exportData()
{
    if (!host_.ask(textRow(324)))
        return;
    const QString mount = waitForStick();
    if (mount.isEmpty())
        return;
    const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd_hh.mm.ss");
    const QString program = QDir::currentPath();
    const QString target = sysPath(mount) + "/" + stamp + "/" + QFileInfo(program).fileName();
    const bool copied = CopyTreeVerified(program, target);
    host_.pause(100);
    if (!copied) {
        run("umount", {"/mnt"});
        host_.warn(textRow(644));
        return;
    }
    // The pictures as taken go only once the stick holds them.
    for (int c = 1; c <= numCamera; ++c) {
        for (int s = 1; s <= gDNum; ++s) {
            const QStringList pictures = Glob(QString("./originalimage/cammer%1%2").arg(c).arg(s));
            if (!pictures.isEmpty())
                run("rm", QStringList{"-rf"} + pictures);
            host_.pause(100);
        }
    }
    host_.pause(300);
    run("umount", {"/mnt"});
    host_.warn(textRow(147));
}

void MaintenanceActions::restoreFactorySet()
{
    if (!host_.ask(textRow(551) + "?"))
        return;
    // Into the program directory, wherever it is installed.
    if (!run("cp", {"-f", ParaGroupPath(kDefaultGroup) + "/20clearsh.tar.gz", "./newupdate.tar.gz"})) {
        host_.warn(textRow(643));
        return;
    }
    run("sync", {});
    reboot();
}

void MaintenanceActions::modifyTime()
{
    if (!host_.runClockDialog())
        return;
    if (!host_.ask(textRow(402)))
        return;
    if (!host_.setClock()) {
        host_.warn(textRow(645));
        return;
    }
    host_.acceptSettings();
    host_.saveParameters();
    host_.record(textRow(401));
    host_.stopWatchdog();
    host_.flushAll();
    host_.pause(1000);
    reboot();
}

void MaintenanceActions::calibration()
{
    if (!host_.ask(textRow(459)))
        return;
    runCommand("./tsc", {}, -1);
    host_.pause(500);
    host_.flushAll();
    reboot();
}

void MaintenanceActions::shutDown()
{
    if (!host_.ask(textRow(291)))
        return;
    host_.acceptSettings();
    host_.saveParameters();
    host_.record(textRow(292));
    host_.stopWatchdog();
    host_.flushAll();
    if (host_.ask(textRow(293)))
        reboot();
    else
        run("init", {"0"});
}

void MaintenanceActions::exitProgram()
{
    if (!host_.ask(textRow(294)))
        return;
    host_.record(textRow(295));
    host_.acceptSettings();
    host_.saveParameters();
    host_.warn(textRow(296));
    // The rows above reach RECORD.db before the process ends (bounded).
    host_.flushAll();
    host_.exitProcess(0);
}

void MaintenanceActions::changeLanguage(int language)
{
    if (language == gLan || language < 0 || language > 2)
        return;
    if (!host_.ask(textRow(318)))
        return;
    host_.record(textRow(319));
    gLan = language;
    host_.acceptSettings();
    host_.saveParameters();
    host_.stopWatchdog();
    host_.flushAll();
    reboot();
}

void MaintenanceActions::clearRecord()
{
    if (!host_.checkRoot())
        return;
    if (host_.ask(textRow(297)) && host_.checkRoot()) {
        host_.clearRecord();
        host_.record(textRow(298));
    }
}
