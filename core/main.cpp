// Program entry. The start-up order grows as the subsystems land.
#include <QApplication>
#include <QDebug>
#include <QLabel>

#include "core/logmanager.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Until the monitoring controller creates it after loading the record, log from the start.
    if (!LogManager::__instance)
        LogManager::__instance = new LogManager;
    qInfo() << "mouldmonitor started";
    QLabel label("mouldmonitor");
    label.resize(1920, 1080);
    label.show();
    return app.exec();
}
