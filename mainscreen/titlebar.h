#pragma once
// The title bar above the views. The controller sets only its style sheet: blue while detecting,
// red while stopped. Its contents come with the main screen.
#include "widgets/bwidget.h"

class TitleBar : public BWidget {
    Q_OBJECT
public:
    explicit TitleBar(QWidget* parent = nullptr);
};
