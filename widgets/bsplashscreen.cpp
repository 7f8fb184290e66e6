#include "widgets/bsplashscreen.h"

#include <QVBoxLayout>

#include "widgets/splashwidget.h"

BSplashScreen::BSplashScreen(QWidget* parent) : QSplashScreen(parent, QPixmap())
{
    setFixedSize(1920, 1080);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->addWidget(new SplashWidget(800, this));
}
