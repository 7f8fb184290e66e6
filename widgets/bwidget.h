#pragma once
// A plain container whose style sheet paints its background and border (a bare QWidget subclass
// does not do that by itself).
#include <QWidget>

class BWidget : public QWidget {
    Q_OBJECT
public:
    explicit BWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
