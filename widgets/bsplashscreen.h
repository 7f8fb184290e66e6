#pragma once
// The start-up splash: the product panel full screen.
#include <QSplashScreen>

class BSplashScreen : public QSplashScreen {
    Q_OBJECT
public:
    explicit BSplashScreen(QWidget* parent = nullptr);
};
