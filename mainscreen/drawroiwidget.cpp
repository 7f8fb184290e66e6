#include "mainscreen/drawroiwidget.h"

#include "vision/mainwindow.h"

DrawROIWidget::DrawROIWidget(MainWindow* win) : QWidget(win), win_(win)
{
    hide();
}

// The page commands come with the region editing screens.
void DrawROIWidget::Reset(bool) {}
void DrawROIWidget::Restart() {}
void DrawROIWidget::setSource(int) {}
void DrawROIWidget::SlotReCheck() {}
void DrawROIWidget::SlotNoCheckCur() {}
void DrawROIWidget::SlotReturn() {}
void DrawROIWidget::SlotTempDeleteAll() {}
void DrawROIWidget::SlotTempDeleteCur() {}
void DrawROIWidget::SlotAddTemp() {}
void DrawROIWidget::SlotAutoChange() {}
void DrawROIWidget::SlotIgnoreAlarmPoint() {}
void DrawROIWidget::SlotDeleteIgnorePoint() {}
void DrawROIWidget::SlotChangeDetect(int) {}
void DrawROIWidget::SlotChangeSource(int) {}
void DrawROIWidget::SlotSaveData() {}

void DrawROIWidget::SlotChangeCamera(int camera)
{
    win_->selectedView = camera;
    win_->ChangeCammer();
}
