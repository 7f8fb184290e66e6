// The main window's start/stop reaches the report server as the manual stop, then the statistics.
#include <gtest/gtest.h>

#include <QDialog>

#include "common/programdir.h"
#include "common/windowstart.h"
#include "reportfixture.h"
#include "vision/controller/mainwindow.h"

TEST(ReportWindow, StopAndStartSendTheManualStopThenTheStatistics)
{
    ProgramDir dir;
    PrepareWindowDir(dir);
    SetReportingRow(true);
    StopWindowThreadsAtExit();
    WizardPara para, paraBak;
    gpWPara = &para;
    gpWParaBak = &paraBak;
    CNT_Net net;  // before the window, whose start wires the report host
    ASSERT_TRUE(net.isopen);
    CNT_Net* oldNet = gpNet;
    gpNet = &net;
    ModalAnswers modal;
    MainWindow* win = StartMainWindow();
    para.cnt_net_enabled = 1;
    para.is_psw_used = 0;
    net.connected = true;  // as a client's heartbeat leaves it
    const int before = net.queuedFrames().size();
    modal.answers = {QDialog::Accepted};
    win->SlotStartStop();
    ASSERT_EQ(win->runState, 3);
    win->SlotStartStop();
    ASSERT_EQ(win->runState, 1);

    QList<int> types;
    QList<QByteArray> stops;
    for (const QByteArray& f : net.queuedFrames().mid(before)) {
        const int type = f.left(f.indexOf(':')).toInt();
        if (type == SEND_RECORD)
            continue;
        types << type;
        if (type == SEND_MANUAL_STOP)
            stops << f.mid(f.indexOf(":..!") + 4);
    }
    EXPECT_EQ(types, (QList<int>{SEND_MANUAL_STOP, SEND_STATISTICS, SEND_MANUAL_STOP, SEND_STATISTICS}));
    ASSERT_EQ(stops.size(), 2);
    Json stop(stops[0]), start(stops[1]);
    EXPECT_EQ(NumOf(stop.root, "state"), 1);
    EXPECT_TRUE(TextOf(stop.root, "stop_check_timeslot").endsWith("---:--"));
    EXPECT_EQ(NumOf(start.root, "state"), 0);
    EXPECT_FALSE(TextOf(start.root, "stop_check_timeslot").contains("--:--"));
    gpNet = oldNet;
    net.host = ReportHost();
}
