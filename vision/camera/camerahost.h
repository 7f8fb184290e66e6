#pragma once
// What the camera code needs of the monitoring controller and its neighbours, behind one narrow
// interface: the controller's per-view camera-opened flags and frame counters, its run state, the
// operation record, the warning box, the mould-close inhibit, the GigE repair and the settings
// screen's visibility. The controller installs its own host; the default one keeps the flags
// itself, records through the log, warns through showWarnBox, sets the inhibit through gpControlIO
// and runs the GigE repair.
#include <QString>

class CammerWidget;

class CameraHost {
public:
    virtual ~CameraHost() = default;

    // Per-view camera-opened flag (the controller's).
    virtual bool cameraOpened(int view) const;
    virtual void setCameraOpened(int view, bool opened);
    // Run state: 1 detecting, 2 resampling, 3 stopped.
    virtual int runState() const;
    // The view's cycle result becomes "not OK".
    virtual void markCycleNotOK(int view);
    // Clears the controller's frame counter of the view.
    virtual void clearFrameCount(int view);
    // MainWindow::InsertRecord.
    virtual void insertRecord(const QString& text);
    // Modal warning through showWarnBox, and hiding the global warning box.
    virtual void showWarnBox(const QString& text);
    virtual void hideWarnBox();
    // Output 0 (mould-close inhibit) on and the outputs sent: ControlPort::IOSetOut(0, 1), IOFlashOut.
    virtual void setMouldCloseInhibit();
    // GigE repair: RepairAllCameraIP; EnsureDeviceReach on its worker, waited for by the probe
    // (`wait`) and left running by the recovery, which counts the cameras on a later call.
    virtual int repairAllCameraIP();
    virtual int ensureDeviceReach(bool wait);
    // Whether the settings screen, and its pop-out camera-parameter panel, are visible.
    virtual bool settingsVisible() const;
    virtual bool cameraPanelVisible() const;
    // The camera view of index v (0..7), or null.
    virtual CammerWidget* view(int v) const;
    // Waits of the probe and the recovery (6 s, 3 s, 1 s); tests make them instant.
    virtual void wait(int ms);

    bool opened[8] = {};
    int state = 1;
};

// The host in force; never null.
CameraHost* cameraHost();
// Replaces the host (the controller at start-up, tests); nullptr restores the default. Returns the
// previous one.
CameraHost* setCameraHost(CameraHost* host);
