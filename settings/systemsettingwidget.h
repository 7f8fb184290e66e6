#pragma once
// The tabbed settings screen (main stack page 1). Its pages come with the settings screens; here is
// the interface the rest of the program calls.
#include "widgets/bwidget.h"

class SystemSettingWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemSettingWidget(QWidget* parent = nullptr);

    // Whether the pop-out camera-parameter panel is shown (its setters then read the edit copy).
    bool cameraPanelVisible() const { return false; }
    // The camera (0..3) the camera pages and the tuning sliders edit.
    static int outSet;
    void sysparaInit();

public slots:
    void accept();
    void SetExposeTime(int value);
    void SetAdjust(int value);
    void SetSharp(int value);
    void SetContrast(int value);
    void SetGamma(int value);
    void SetAutoExp(int value);
    void SetAutoWDR(int value);
    void SlotRestoreDefaultSettings();
    void SlotExit();
    void SlotShutDown();
    void SlotChangeLan(int language);
    void SlotUpdateApp();
    void SlotModifyTime();
    void SlotExportData();
    void SlotParaGroupBackup();
    void SlotParaGroupRestore();
};
