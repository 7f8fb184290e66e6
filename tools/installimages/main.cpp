// Puts the pictures a program directory holds under images/ into the given directory.
// Usage: installimages PROGRAM_DIR
#include <QGuiApplication>

#include "core/sharedpictures.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        qCritical("usage: installimages PROGRAM_DIR");
        return 2;
    }
    return InstallProgramImages(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
