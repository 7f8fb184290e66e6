// Program entry. The start-up order grows as the subsystems land.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label("mouldmonitor");
    label.resize(1920, 1080);
    label.show();
    return app.exec();
}
