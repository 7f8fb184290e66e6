#pragma once
// What a camera view needs of the monitoring controller and of its neighbours on the main screen
// (title bar, region page, region and alarm option bars, report server), behind one narrow
// interface. The controller installs its own host; the default one keeps the state itself, so
// tests set its members directly.
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QRgb>

#include "mainscreen/viewglobals.h"

class CammerWidget;
class QWidget;

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // View mode: index of the camera shown alone, or numCamera for the split view.
    virtual int viewMode() const { return mode; }
    virtual void setViewMode(int m) { mode = m; }
    // MainWindow::ChangeCammer: lays the views out for the view mode.
    virtual void changeCammer() {}
    // Run state 1 detecting, 2 resampling, 3 stopped; alarm state 0..3; display state 1..3.
    virtual int runState() const { return run; }
    virtual int alarmState() const { return alarm; }
    virtual int displayState() const { return display; }
    // Stage of the current cycle, and the stage the region page edits.
    virtual int curDetect() const { return cur; }
    virtual int editStage() const { return edit; }
    // Draw mode 0 select, 1 rectangle, 2 polygon, 4 circle.
    virtual int drawMode() const { return draw; }
    virtual void setDrawMode(int m) { draw = m; }
    virtual bool copyArmed() const { return copy; }
    virtual void setCopyArmed(bool on) { copy = on; }
    virtual bool freeHand() const { return free; }
    // Pan mode (2 = panning allowed), pan offset and zoom of the view shown alone.
    virtual int panMode() const { return pan; }
    virtual QPointF panOffset() const { return panXY; }
    virtual void setPanOffset(QPointF p) { panXY = p; }
    virtual double zoom() const { return zoomFactor; }
    // The four scale factors of the current cell: cell width / gImageW, cell height / gImageH,
    // cell width / gShowW, cell height / gShowH.
    virtual double cellScale(int i) const { return i >= 0 && i < 4 ? scale[i] : 1.0; }
    // Per stage: the delay timer runs, and its remaining seconds.
    virtual bool delayActive(int stage) const { return stage >= 0 && stage < 8 && delayOn[stage]; }
    virtual float countdown(int stage) const { return stage >= 0 && stage < 8 ? remaining[stage] : 0.f; }
    // Frames the camera delivered in the last second.
    virtual int frameRate(int camera) const { return camera >= 0 && camera < 8 ? fps[camera] : 0; }
    // Last touch position (widget pixels), touch point in image pixels and the pixel value there.
    virtual void setLastTouch(QPoint p) { lastTouch = p; }
    virtual QPoint lastTouchPos() const { return lastTouch; }
    virtual void setTouchPoint(QPoint image, QString pixel)
    {
        touchImage = image;
        touchPixel = pixel;
    }
    virtual QPoint touchPoint() const { return touchImage; }
    virtual QString touchPixelText() const { return touchPixel; }
    // Temperature out of limits (gisTempAlarm).
    virtual bool tempAlarm() const { return temperatureAlarm; }
    // The controller's 256-entry grey colour table used to save 8-bit pictures.
    virtual QVector<QRgb> greyTable() const;

    // Neighbours.
    // AlarmOption::SetCamera.
    virtual void alarmSetCamera(int camera) { alarmCamera = camera; }
    // DrawROIWidget::SlotDrawPloygn (the polygon command; closes the polygon through SavePolygon).
    virtual void drawPolygonCommand(CammerWidget* view);
    // RegiOption::SlotTempLast / SlotTempNext.
    virtual void tempLast() {}
    virtual void tempNext() {}
    // TitleBar::setCameraInfo(camera, type, text, 1) and TitleBar::setLocation(text).
    virtual void setCameraInfo(int camera, int type, const QString& text);
    virtual void setLocation(const QString& text) { location = text; }
    // A view shows a size hint: gDrawHint is set and the main window's 3000 ms hint timer runs.
    virtual void showSizeHint() { gDrawHint = 1; }
    // Region option bar while it browses records: the picture, its camera, the count, the index
    // and the file label.
    virtual QImage recordPicture() const { return recordImage; }
    virtual int recordCamera() const { return recordCam; }
    virtual int recordCount() const { return recordN; }
    virtual int recordIndex() const { return recordI; }
    virtual QString recordLabel() const { return recordText; }
    // The region tool bar of a view (roiOperation), made by the region page; null: none.
    virtual QWidget* createRoiTool(CammerWidget*) { return nullptr; }
    // CNT_SendTempPic(path) when reporting is on and the report server set up and connected.
    virtual void sendTempPic(const QString& path) { sentPics << path; }
    // CNT_AddUseMemory(camera, w, h, frame) when per-camera video sharing applies.
    virtual void addUseMemory(int camera, int w, int h, unsigned char* frame);

    // The state of the default host.
    int mode = 0;
    int run = 1;
    int alarm = 0;
    int display = 3;
    int cur = 0;
    int edit = 0;
    int draw = 0;
    bool copy = false;
    bool free = false;
    int pan = 0;
    QPointF panXY;
    double zoomFactor = 1.0;
    double scale[4] = {1, 1, 1, 1};
    bool delayOn[8] = {};
    float remaining[8] = {};
    int fps[8] = {};
    QPoint lastTouch;
    QPoint touchImage;
    QString touchPixel;
    bool temperatureAlarm = false;
    int alarmCamera = -1;
    QString location;
    QString cameraInfo[4][4];  // [camera][type]
    QImage recordImage;
    int recordCam = 0;
    int recordN = 0;
    int recordI = 0;
    QString recordText;
    QStringList sentPics;
};

// The host in force; never null.
ViewHost* viewHost();
// Replaces the host (the controller at start-up, tests); nullptr restores the default. Returns the
// previous one.
ViewHost* setViewHost(ViewHost* host);
