#pragma once
// A clickable picture.
#include <QLabel>

class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget* parent, QPixmap pixmap);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};
