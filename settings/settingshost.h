#pragma once
// What the settings screen needs of the monitoring controller, its camera views and the report
// server, behind one narrow interface. The default host talks to gpWin and gpNet; tests install
// their own.
#include <QString>

#include "settings/settingschange.h"

class SettingsHost : public SettingsEngine {
public:
    // The controller's access level (0 none, 1 operator, 2 full).
    virtual int userLevel() const;
    virtual void setUserLevel(int level);
    virtual void insertRecord(const QString& text);
    // count.txt from the counters; the databases closed before a restart.
    virtual void countWrite();
    virtual void flushAll();

    // Camera setters of view v (they read the record the view's settings state picks).
    enum CameraValue { Exposure, Gain, Sharpness, Contrast, Gamma };
    virtual void applyCamera(int view, CameraValue value);
    // The camera's own default set, read back into the edit copy.
    virtual void restoreCameraDefaults(int view);
    // MindVision only: automatic exposure on (target 120, 0..100000 us, anti-flicker); and off
    // again, reading the exposure (ms, truncated) and the analogue gain. False for other makes.
    virtual bool autoExposureStart(int view);
    virtual bool autoExposureStop(int view, int* exposureMs, int* gain);
    virtual void cameraChangeTrig(int view);
    virtual void cameraSetSpeed();
    virtual void updateView(int view);

    // Main screen.
    virtual void showMainScreen();            // main stack page 0
    virtual void overlayTools(int mode);      // MShowHide
    virtual void showCamera(int view);        // that view alone (ChangeCammer)
    virtual void showCameraAssignment();      // main screen, then the assignment dialog
    virtual void showCustomIONamePage();
    virtual void showHardwarePage();
    virtual void repaintMain();
    virtual void startScreenOffTimer(int ms);
    virtual void sidePanelShowHide(int mode);
    // CNT_Net: the report client is (re)started; the server-settings-changed flag.
    virtual void restartReportClient();

    // SettingsEngine, on the controller's views and engines.
    int cameraCount() const override;
    void createShape(int camera, int stage) override;
    void varTrain(int camera, int stage) override;
    void copyPara(int camera) override;
    void changeDetectNum(int count) override;
    void resetStages(int count, const WizardPara& edited) override;
    void setSide(int side) override;

    // The host in force; never null.
    static SettingsHost* instance();
    // Replaces the host (tests); nullptr restores the default. Returns the previous one.
    static SettingsHost* setInstance(SettingsHost* host);
};
