#pragma once
// The start the screenshot tools share: the offscreen platform when no display is set, and the
// output folder named by the one argument.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QTextStream>

#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "widgets/toolkitglobals.h"

namespace shottool {

// Call before the QApplication is made.
inline void preferOffscreen()
{
    if (qgetenv("DISPLAY").isEmpty() && qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The output folder as an absolute path, made if missing; empty after the usage line when no
// folder was given.
inline QString outputDir(int argc, char** argv, const char* tool)
{
    if (argc < 2) {
        QTextStream(stderr) << "usage: " << tool << " OUTPUT_DIR\n";
        return QString();
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    return out;
}

// Makes `dir` (a fresh temporary directory) the program directory with the pictures installed,
// then loads the text table and the widget resources; false when a step failed.
inline bool startProgramDir(const QTemporaryDir& dir)
{
    if (!dir.isValid() || !InstallProgramImages(dir.path()) || !QDir::setCurrent(dir.path()))
        return false;
    Data_Init();
    InitWidgetResources();
    return true;
}

}  // namespace shottool
