#pragma once
// The large icon button of the option bars: text under a 68 x 68 icon.
#include <QToolButton>

class BOptionButton : public QToolButton {
    Q_OBJECT
public:
    explicit BOptionButton(QWidget* parent = nullptr);
};
