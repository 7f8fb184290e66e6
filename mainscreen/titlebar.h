#pragma once
// The band across the top of the main window: one information strip per camera 1-4 (message, NG
// count, inspection count), lamps of inputs 1-4 and outputs 1-4, the frame-rate figure with date
// and time, and the picture point under the last touch. The camera views and the I/O status panel
// feed it; the controller recolours it (blue detecting, red stopped).
#include <QWidget>

#include "widgets/bwidget.h"

class QLabel;
class QTimer;

// Message icon: 2 a normal message, anything else a warning.
// Of fixed width: a value from outside (any int) is a valid one, shown as a warning.
enum MessageType : int { MESSAGE_WARNING = 1, MESSAGE_NORMAL = 2 };

class CameraInfo : public QWidget {
    Q_OBJECT
public:
    // What TitleBar::setCameraInfo changes; any other value is the title bar's timing label.
    // Of fixed width too: an unknown kind from a caller is a valid value (shown as the timing).
    enum DATA_TYPE : int { TIMING = 0, MESSAGE = 1, LAYER = 2, NG = 3 };

    CameraInfo(int camera, QWidget* parent = nullptr);

    void setMessage(QString text, MessageType kind);
    void setNGNum(QString text);
    void setLayerNum(QString text);

    int camera() const { return camera_; }
    QString message() const;
    QString ngNum() const;
    QString layerNum() const;
    // Picture shown as the message icon (":/img/icons/15.png" or ":/img/icons/warning2.png").
    QString messageIcon() const { return iconPath_; }

private:
    int camera_;
    QLabel* msgIcon_;
    QLabel* msgText_;
    QLabel* ngNum_;
    QLabel* layerNum_;
    QString iconPath_;
};

class TitleBar : public BWidget {
    Q_OBJECT
public:
    explicit TitleBar(QWidget* parent = nullptr);

    // camera 0-3; type as CameraInfo::DATA_TYPE; any other type sets the timing label.
    void setCameraInfo(int camera, CameraInfo::DATA_TYPE type, QString text, MessageType kind = MESSAGE_WARNING);
    void setCameraInfo(int camera, int type, QString text, int kind = MESSAGE_WARNING)
    {
        setCameraInfo(camera, CameraInfo::DATA_TYPE(type), text, MessageType(kind));
    }
    void setLocation(QString text);
    // io 0 input, 1 output; index 0-3; state 0 off, else on.
    void promptSwitching_State(int io, int index, int state);

    CameraInfo* cameraInfo(int camera) const { return camera >= 0 && camera < 4 ? info_[camera] : nullptr; }
    QString timing() const;
    QString location() const;
    QString date() const;
    QString time() const;
    // Picture number each lamp shows (0-3 inputs, 4-7 outputs).
    int lampPicture(int lamp) const { return lamp >= 0 && lamp < 8 ? lampPic_[lamp] : -1; }
    QLabel* lamp(int lamp) const { return lamp >= 0 && lamp < 8 ? lamps_[lamp] : nullptr; }

public slots:
    void SlotClock();

private:
    CameraInfo* info_[4];
    QLabel* timing_;
    QLabel* lamps_[8];
    QLabel* location_;
    QLabel* date_;
    QLabel* time_;
    QTimer* clock_;
    int lampPic_[8];
};
