#pragma once
// A camera-number tile: the number picture of one camera and the camera picture. Nothing on the
// main screen places one; it draws nothing of its own.
#include <QPixmap>
#include <QWidget>

class ImageWidget : public QWidget {
    Q_OBJECT
public:
    ImageWidget(int index, QWidget* parent = nullptr);
    void setIsShowSingle(bool) {}
    int index() const { return index_; }

private:
    int index_;
    QPixmap number_;
    QPixmap camera_;
};
