#include "core/sharedpictures.h"

#include <QDir>
#include <QFile>
#include <QPixmap>

QPixmap* gpPixmapLogo = nullptr;
QPixmap* gpPixmapBG = nullptr;
QPixmap* gpPixmapTitle = nullptr;
QPixmap* gpPixmapLine = nullptr;
QPixmap* gpPixmapEdit = nullptr;
QPixmap* gpPixmapSlideru = nullptr;
QPixmap* gpPixmapSliderd = nullptr;
QPixmap* gpPixmapSlidert = nullptr;
QPixmap* gpPixmapButton[2] = {};
QPixmap* gpPixmapOUT[2] = {};
QPixmap* gpPixmapMove[7] = {};
QPixmap* gpPixmapUser[6] = {};

// Compiled-in copies of the program directory's pictures live under this prefix.
static const char kInstallPrefix[] = ":/install/images/";

static void initCoreResources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(core);
        done = true;
    }
}

namespace {

void load(QPixmap*& slot, const QString& path)
{
    if (!slot)
        slot = new QPixmap(path);  // kept for the whole run
    else if (!slot->load(path))
        *slot = QPixmap();
}

}  // namespace

void LoadSharedPictures()
{
    initCoreResources();
    // Order of creation as the screens expect it: logo, background, title, line, edit, slider,
    // buttons, outputs, move, user.
    load(gpPixmapLogo, ":/img/icons/2.png");
    load(gpPixmapBG, ":/img/icons/3-1.png");
    load(gpPixmapTitle, "./images/title.png");
    load(gpPixmapLine, "./images/line.png");
    load(gpPixmapEdit, "./images/edit.png");
    load(gpPixmapSlideru, ":/img/icons/slideru.png");
    load(gpPixmapSliderd, ":/img/icons/sliderd.png");
    load(gpPixmapSlidert, ":/img/icons/slidert.png");
    load(gpPixmapButton[0], ":/img/icons/buttonu.png");
    load(gpPixmapButton[1], ":/img/icons/buttond.png");
    load(gpPixmapOUT[0], ":/img/icons/19.png");
    load(gpPixmapOUT[1], ":/img/icons/18.png");
    load(gpPixmapMove[0], "./images/Origin.png");
    load(gpPixmapMove[1], "./images/MoveUp.png");
    load(gpPixmapMove[2], "./images/MoveDown.png");
    load(gpPixmapMove[3], "./images/MoveLeft.png");
    load(gpPixmapMove[4], "./images/MoveRight.png");
    load(gpPixmapMove[5], ":/img/icons/ZoomIn.png");
    load(gpPixmapMove[6], ":/img/icons/ZoomIn.png");
    load(gpPixmapUser[0], "./images/CheckedAdmin.png");
    load(gpPixmapUser[1], "./images/Admin.png");
    load(gpPixmapUser[2], "./images/CheckedOperator.png");
    load(gpPixmapUser[3], "./images/Operator.png");
    load(gpPixmapUser[4], "./images/CheckedLimitUser.png");
    load(gpPixmapUser[5], "./images/LimitUser.png");
}

QStringList ProgramImageNames()
{
    return {"title.png", "line.png", "edit.png", "Origin.png", "MoveUp.png", "MoveDown.png",
            "MoveLeft.png", "MoveRight.png", "CheckedAdmin.png", "Admin.png",
            "CheckedOperator.png", "Operator.png", "CheckedLimitUser.png", "LimitUser.png"};
}

bool InstallProgramImages(const QString& programDir)
{
    initCoreResources();
    const QString dir = programDir + "/images";
    if (!QDir().mkpath(dir))
        return false;
    bool ok = true;
    for (const QString& name : ProgramImageNames()) {
        QFile src(QString(kInstallPrefix) + name);
        QFile dst(dir + "/" + name);
        if (!src.open(QIODevice::ReadOnly) || !dst.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || dst.write(src.readAll()) < 0) {
            qWarning("cannot install picture %s into %s", qPrintable(name), qPrintable(dir));
            ok = false;
        }
    }
    return ok;
}
