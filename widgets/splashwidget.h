#pragma once
// The product panel: logo, title, model, serial and version.
#include <QWidget>

class SplashWidget : public QWidget {
    Q_OBJECT
public:
    SplashWidget(int logoWidth, QWidget* parent = nullptr);
};
