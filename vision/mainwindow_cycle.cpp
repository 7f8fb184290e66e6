// The monitoring cycle, its timers and run control. The cycle itself (polling and triggers, stage
// delays, inspection and verdict, output pulses, supervision, NG pictures) is built here next;
// until then each slot does only what the start-up needs: the run timer keeps re-arming itself and
// shows the newest frames, StartDetect sets the run state, the timers that end something stop
// themselves.
#include "vision/mainwindow.h"

#include <QTimer>

#include "core/ledonoff.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/cameradiscovery.h"
#include "vision/cammerwidget.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"

void MainWindow::InitCycle() {}

void MainWindow::Run()
{
    for (int v = 0; v < numCamera && v < MAX_CAMERA; ++v) {
        if (ViewBuilt(v) && cammerWidget[v]->PollFrame())
            frameCount[v]++;
    }
    runTimer->start(gisLost ? 3000 : 3);
}

void MainWindow::TimerUp0() { stageTimer[0]->stop(); }
void MainWindow::TimerUp1() { stageTimer[1]->stop(); }
void MainWindow::TimerUp2() { stageTimer[2]->stop(); }
void MainWindow::TimerUp3() { stageTimer[3]->stop(); }
void MainWindow::TimerUp4() { stageTimer[4]->stop(); }
void MainWindow::TimerUp5() { stageTimer[5]->stop(); }
void MainWindow::TimerUp6() { stageTimer[6]->stop(); }
void MainWindow::TimerUp7() { stageTimer[7]->stop(); }
void MainWindow::TimerCheckInput0() { inputTimer[0]->stop(); }
void MainWindow::TimerCheckInput1() { inputTimer[1]->stop(); }
void MainWindow::TimerCheckInput2() { inputTimer[2]->stop(); }
void MainWindow::TimerCheckInput3() { inputTimer[3]->stop(); }
void MainWindow::TimerCheckInput4() { inputTimer[4]->stop(); }
void MainWindow::TimerCheckInput5() { inputTimer[5]->stop(); }
void MainWindow::TimerCheckInput6() { inputTimer[6]->stop(); }
void MainWindow::TimerCheckInput7() { inputTimer[7]->stop(); }
void MainWindow::InCheck() { inputTimeoutTimer->stop(); }
void MainWindow::TimerShow() { showTimer->stop(); }
void MainWindow::OutTimerOutNG() { ngPulseTimer->stop(); }
void MainWindow::OutTimerNotAllowClose() { closePulseTimer->stop(); }
void MainWindow::OutTimerNotAllowThimble() { ejectorPulseTimer->stop(); }
void MainWindow::OutTimerReserveOutput() { reserveTimer->stop(); }
void MainWindow::CheckTemp() {}
void MainWindow::SlotResetAlarm() { alarmResetTimer->stop(); }
void MainWindow::SlotFPS() {}

void MainWindow::SlotDrawHint()
{
    hintTimer->stop();
    update();
}

void MainWindow::TimerLogout()
{
    logoutTimer->stop();
    userLevel = 0;
}

void MainWindow::TimerLCD()
{
    lcdTimer->stop();
    LCDOnOff(0);
}

int MainWindow::CheckPassword()
{
    if (!gpWPara->is_psw_used)
        return 2;
    if (userLevel != 0)
        return userLevel;
    PasswordBox box(gaLanStr[569 * LAN_COUNT + gLan]);
    box.setTitleRow(569);
    execModal(box);
    return userLevel;
}

bool MainWindow::CheckRoot()
{
    return userLevel == 2;
}

void MainWindow::StartDetect()
{
    runState = 1;
}

void MainWindow::StopDetect()
{
    SetStopDetect();
}

void MainWindow::SetStopDetect()
{
    runState = 3;
}

void MainWindow::ResetRun() {}
void MainWindow::CheckNG() {}
void MainWindow::BackTrain() {}
void MainWindow::RunAlgorithm(int, int) {}
void MainWindow::AutogenerationRegion(int) {}
void MainWindow::SlotStartStop() {}
void MainWindow::SlotReTrain() {}
void MainWindow::SlotAdjustArea() {}
void MainWindow::SlotAccount() {}
void MainWindow::SlotHelp() {}
void MainWindow::SlotMuliManualTrig() {}
void MainWindow::SlotManualTrig0() {}
void MainWindow::SlotManualTrig1() {}
