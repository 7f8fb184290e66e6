#pragma once
// The region page controller: enters and leaves the region and alarm pages and carries out their
// commands. Its editing comes with the region editing screens; here is the interface the monitoring
// controller calls.
#include <QWidget>

class MainWindow;

class DrawROIWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawROIWidget(MainWindow* win);

    // Enters the editing pages: true the alarm page, false the region page.
    void Reset(bool toAlarm);
    // Leaves the region or alarm page.
    void Restart();
    void setSource(int source);

public slots:
    void SlotReCheck();
    void SlotNoCheckCur();
    void SlotReturn();
    void SlotTempDeleteAll();
    void SlotTempDeleteCur();
    void SlotAddTemp();
    void SlotAutoChange();
    void SlotIgnoreAlarmPoint();
    void SlotDeleteIgnorePoint();
    void SlotChangeDetect(int stage);
    // Shows camera `camera` alone.
    void SlotChangeCamera(int camera);
    void SlotChangeSource(int source);
    void SlotSaveData();

private:
    MainWindow* win_;
};
