// Renders a few texts of the table in each language, in the families the screens use, and saves
// the picture: a quick look that no glyph shows as a box.
// Usage: textshot OUTPUT.png   (QT_QPA_PLATFORM=offscreen works without a display)
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "core/uitexttable.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        qCritical("usage: textshot OUTPUT.png");
        return 2;
    }
    Data_Init();
    QWidget w;
    w.setStyleSheet("QWidget{background:#1f3f8d;} QLabel{color:white;}");
    auto* grid = new QGridLayout(&w);
    const int rows[] = {0, 2, 119, 133, 218, 236, 317, 395, 458, 566, 568, 591};
    const char* families[] = {"wqy-microhei", "wenquanyi", "SourceHanSansCN-Medium"};
    int line = 0;
    for (int row : rows) {
        for (int lan = 0; lan < LAN_COUNT; ++lan) {
            auto* label = new QLabel(QString("%1: %2").arg(row).arg(gaLanStr[row * LAN_COUNT + lan]));
            QFont f(families[(row + lan) % 3]);
            f.setPixelSize(20);
            label->setFont(f);
            grid->addWidget(label, line, lan);
        }
        ++line;
    }
    w.resize(1800, 100);
    w.adjustSize();
    const QPixmap shot = w.grab();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        qCritical("cannot write %s", argv[1]);
        return 1;
    }
    return 0;
}
