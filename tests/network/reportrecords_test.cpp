// The report record files and the production statistics.
#include "reportfixture.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <thread>

#include "network/reportrecords.h"

using ReportRecords = ReportNet;

namespace {
QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
}  // namespace

TEST_F(ReportRecords, StopThenStartOpensAndClosesTheTimeSlot)
{
    runState = 3;
    now = Local(8, 15);
    net->CNT_SendManualStop();
    runState = 1;
    now = Local(8, 40);
    net->CNT_SendManualStop();
    now = Local(9, 0);
    net->CNT_SendManualStop();  // started twice: nothing changes
    const QList<QByteArray> bodies = Bodies(10);
    ASSERT_EQ(bodies.size(), 3);
    Json stop(bodies[0]), start(bodies[1]), again(bodies[2]);
    EXPECT_EQ(KeysOf(stop.root), QStringList({"device_id", "state", "utc", "stop_check_timeslot", "stop_check_timelen",
                                              "timeout_time", "operator_id", "disalarm_operator_id", "stop_check_reason"}));
    EXPECT_EQ(TextOf(stop.root, "stop_check_timeslot"), "08:15---:--");
    EXPECT_EQ(NumOf(stop.root, "state"), 1);
    EXPECT_EQ(TextOf(stop.root, "operator_id"), "Operator");
    EXPECT_EQ(TextOf(start.root, "stop_check_timeslot"), "08:15-08:40");
    EXPECT_EQ(NumOf(start.root, "stop_check_timelen"), 25);
    EXPECT_EQ(NumOf(start.root, "state"), 0);
    EXPECT_EQ(TextOf(again.root, "stop_check_timeslot"), "08:15-08:40");
    EXPECT_EQ(NumOf(again.root, "stop_check_timelen"), 25);
    // What was last sent is what the next start loads.
    EXPECT_EQ(ReadFile("cnt_net/data/ManualStop"), bodies[2]);
    Restart();
    EXPECT_EQ(net->manualStopRecord().stop_check_timelen, 25);
}

// A start made with no client connected (the controller only records) still closes the stop,
// and the next statistics message counts the stopped minutes; the switch of type 10 gates the
// sending only.
TEST_F(ReportRecords, TheStopRecordFollowsTheRunStateWithoutSending)
{
    numCamera = 1;
    const qint64 start = now;
    runState = 3;
    net->CNT_SendManualStop();
    runState = 1;
    now += 20 * 60000;
    const QByteArray recorded = net->CNT_RecordManualStop();
    EXPECT_EQ(Bodies(10).size(), 1) << "recording sends nothing";
    EXPECT_EQ(ReadFile("cnt_net/data/ManualStop"), recorded);
    EXPECT_FALSE(TextOf(Json(recorded).root, "stop_check_timeslot").contains("--:--"));
    EXPECT_EQ(NumOf(Json(recorded).root, "stop_check_timelen"), 20);
    now = start + 60 * 60000;
    net->CNT_SendStatistics("null");
    EXPECT_EQ(NumOf(Json(Bodies(7).value(0)).root, "utc_watch_total"), 40 * 60000);

    net->whichSend.insert(SEND_MANUAL_STOP, false);
    runState = 3;
    net->CNT_SendManualStop();
    EXPECT_EQ(Bodies(10).size(), 1);
    EXPECT_TRUE(ReadFile("cnt_net/data/ManualStop").contains("---:--"));
}

TEST_F(ReportRecords, ManualStopFileWithoutTimeoutIsDeletedWhatWasReadStays)
{
    dir.write("cnt_net/data/ManualStop",
              "{\"utc\": 1714547700000, \"stop_check_timeslot\": \"08:15---:--\", \"stop_check_timelen\": 7}");
    net->InitManualStop();
    const CNT_Path_ManualStop m = net->manualStopRecord();
    EXPECT_EQ(m.utc, 1714547700000);
    EXPECT_EQ(m.stop_check_timeslot, "08:15---:--");
    EXPECT_EQ(m.stop_check_timelen, 7);
    EXPECT_EQ(m.operator_id, "--");
    EXPECT_FALSE(QFile::exists("cnt_net/data/ManualStop"));

    dir.write("cnt_net/data/ManualStop", "{ not json");
    net->InitManualStop();
    EXPECT_EQ(net->manualStopRecord().stop_check_timelen, 0);  // construction values, file kept
    EXPECT_TRUE(QFile::exists("cnt_net/data/ManualStop"));
}

TEST_F(ReportRecords, FirstAndSecondNgOfARegion)
{
    numCamera = 2;
    net->ChkandAddStaticticsItem(1, 0, 3);
    net->CNT_SendStatistics("null");
    net->ChkandAddStaticticsItem(1, 0, 3);
    net->CNT_SendStatistics("null");
    const QList<QByteArray> bodies = Bodies(7);
    ASSERT_EQ(bodies.size(), 2);
    for (int i = 0; i < 2; ++i) {
        Json j(bodies[i]);
        const cJSON* cam = cJSON_GetArrayItem(cJSON_GetObjectItem(cJSON_GetObjectItem(j.root, "camera"), "ng"), 0);
        EXPECT_EQ(TextOf(cam, "camera_id"), "2");
        const cJSON* det = cJSON_GetArrayItem(cJSON_GetObjectItem(cam, "ng_monitors"), 0);
        EXPECT_EQ(NumOf(det, "time"), 1);
        const cJSON* alarm = cJSON_GetArrayItem(cJSON_GetObjectItem(det, "alarm"), 0);
        EXPECT_EQ(KeysOf(alarm), QStringList({"alarm_area_num", "alarm_algorithm_type", "alarm_result"}));
        EXPECT_EQ(NumOf(alarm, "alarm_area_num"), 4);
        EXPECT_EQ(TextOf(alarm, "alarm_algorithm_type"), "----");
        EXPECT_EQ(NumOf(alarm, "alarm_result"), i + 1);
    }
    Json first(bodies[0]);
    EXPECT_EQ(KeysOf(first.root),
              QStringList({"device_id", "state", "product_name", "product_serial", "products_num", "start_utc",
                           "real_produce", "utc_watch_total", "total_stop_alarm_timelen", "watch_count_total",
                           "ng_count_total", "ng_notification_rate", "watch_circle", "utc", "ng_image", "camera"}));
    EXPECT_EQ(NumOf(first.root, "ng_notification_rate"), 0);  // no inspections yet
}

TEST_F(ReportRecords, RatesOfWeeksOfInspectionsIn64Bits)
{
    numCamera = 1;
    gAllNum[0] = 300000;
    gFailNum[0] = 250000;
    para.cavity = 2;
    net->ChkandAddStaticticsItem(0, 0, 0);
    net->CNT_SendStatistics("null");
    Json j(Bodies(7).value(0));
    EXPECT_EQ(NumOf(j.root, "ng_notification_rate"), 8333);
    EXPECT_EQ(NumOf(j.root, "real_produce"), 100000);
    const cJSON* cam = cJSON_GetArrayItem(cJSON_GetObjectItem(cJSON_GetObjectItem(j.root, "camera"), "ng"), 0);
    const cJSON* det = cJSON_GetArrayItem(cJSON_GetObjectItem(cam, "ng_monitors"), 0);
    EXPECT_EQ(NumOf(det, "ok_num"), 50000);
    EXPECT_EQ(NumOf(det, "ok_rate"), 1666);
    EXPECT_EQ(NumOf(det, "not_ok_rate"), 8333);
}

TEST_F(ReportRecords, WatchTimeLessStoppedMinutesAndAlarmDurations)
{
    numCamera = 1;
    const qint64 start = now;
    runState = 3;
    net->CNT_SendManualStop();
    now += 10 * 60000;
    runState = 1;
    net->CNT_SendManualStop();  // 10 minutes stopped
    for (int i = 1; i <= 101; ++i)
        net->CNT_AddNgTimes(i);
    now = start + 60 * 60000;
    net->CNT_SendStatistics("null");
    EXPECT_EQ(net->ngHistoryCopy().size(), 100);
    Json j(Bodies(7).value(0));
    EXPECT_EQ(NumOf(j.root, "utc_watch_total"), 50 * 60000);
    EXPECT_EQ(NumOf(j.root, "total_stop_alarm_timelen"), 101 * 102 / 2);
}

TEST_F(ReportRecords, DamagedStatisticsKeysAreThrownAwayBeforeAnyCountIsRead)
{
    for (const char* id : {"9", "0", "x"}) {
        dir.write("cnt_net/data/Statistics",
                  QByteArray("{\"product_name\": \"p\", \"product_serial\": \"1\", \"products_num\": 1, \"start_utc\": 5,"
                             " \"real_produce\": 0, \"utc_watch_total\": 0, \"total_stop_alarm_timelen\": 0,"
                             " \"watch_count_total\": 0, \"ng_count_total\": 0, \"ng_notification_rate\": 0,"
                             " \"watch_circle\": 0, \"camera\": {\"ng\": [{\"camera_id\": \"") + id +
                      "\", \"disalarm_timeout_time\": 1, \"last_monitor_period\": 0, \"now_monitor_period\": 0,"
                      " \"average_monitor_period\": 0, \"ng_monitors\": []}]}}");
        Restart();
        EXPECT_EQ(net->statisticsRecord().start_utc, 5);  // loaded
        net->CNT_SendStatistics("null");
        EXPECT_TRUE(Bodies(7).isEmpty()) << id;
        EXPECT_FALSE(QFile::exists("cnt_net/data/Statistics")) << id;
        EXPECT_TRUE(net->statisticsRecord().cameras.isEmpty()) << id;
        EXPECT_EQ(net->statisticsRecord().start_utc, now) << id;
        net->CNT_SendStatistics("null");  // afresh: sent again
        EXPECT_EQ(Bodies(7).size(), 1) << id;
    }
}

TEST_F(ReportRecords, LargeRecordSurvivesARestartAndAResetStartsAfresh)
{
    for (int c = 0; c < 8; ++c)
        for (int s = 0; s < 5; ++s)
            for (int r = 0; r < 10; ++r)
                net->ChkandAddStaticticsItem(c, s, r);
    net->ChkandAddStaticticsItem(7, 4, 9);
    net->CNT_SendStatistics("null");
    ASSERT_GT(ReadFile("cnt_net/data/Statistics").size(), 8191);
    Restart();
    const CNT_Path_Statistics loaded = net->statisticsRecord();
    ASSERT_EQ(loaded.cameras.size(), 8);
    EXPECT_EQ(loaded.cameras[7].detects.size(), 5);
    EXPECT_EQ(loaded.cameras[7].detects[4].alarms.size(), 10);
    EXPECT_EQ(loaded.cameras[7].detects[4].alarms[9].alarm_result, 2);
    EXPECT_EQ(loaded.start_utc, now);

    // The reset of the network statistics: files deleted, records reloaded.
    now += 5000;
    QFile::remove("cnt_net/data/Statistics");
    QFile::remove("cnt_net/data/ManualStop");
    net->InitStatistics();
    net->InitManualStop();
    EXPECT_TRUE(net->statisticsRecord().cameras.isEmpty());
    EXPECT_EQ(net->statisticsRecord().start_utc, now);
}

TEST_F(ReportRecords, InterruptedWriteLeavesAWholeRecord)
{
    const QByteArray a = "{\"a\": \"" + QByteArray(1 << 20, 'a') + "\"}";
    const QByteArray b = "{\"b\": \"" + QByteArray(1 << 20, 'b') + "\"}";
    QDir().mkpath("cnt_net/data");
    ASSERT_TRUE(WriteRecordFile(CNT_Path_Statistics::FilePath(), a));
    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                WriteRecordFile(CNT_Path_Statistics::FilePath(), i % 2 ? a : b);
        }
        usleep(30000 + round * 7000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const QByteArray text = ReadFile(CNT_Path_Statistics::FilePath());
        EXPECT_TRUE(text == a || text == b) << "round " << round << ": " << text.size() << " bytes";
    }
}

TEST_F(ReportRecords, StatisticsFromTheWriterAndTheGuiThreadAtOnceStayWhole)
{
    numCamera = 8;
    std::thread writer([this] {
        for (int i = 0; i < 200; ++i)
            net->CNT_SendStatistics("./pic/ng.jpg");
    });
    for (int i = 0; i < 200; ++i) {
        net->ChkandAddStaticticsItem(i % 8, i % 5, i % 50);
        net->CNT_AddNgTimes(i);
        net->CNT_SendStatistics("null");
    }
    writer.join();
    const QList<QByteArray> bodies = Bodies(7);
    EXPECT_EQ(bodies.size(), 400);
    int lastResults = -1;
    for (const QByteArray& body : bodies) {
        Json j(body);
        ASSERT_TRUE(j.root);
        int results = 0;
        const cJSON* cams = cJSON_GetObjectItem(cJSON_GetObjectItem(j.root, "camera"), "ng");
        for (int c = 0; c < cJSON_GetArraySize(cams); ++c) {
            const cJSON* dets = cJSON_GetObjectItem(cJSON_GetArrayItem(cams, c), "ng_monitors");
            for (int d = 0; d < cJSON_GetArraySize(dets); ++d) {
                const cJSON* alarms = cJSON_GetObjectItem(cJSON_GetArrayItem(dets, d), "alarm");
                for (int a = 0; a < cJSON_GetArraySize(alarms); ++a)
                    results += int(NumOf(cJSON_GetArrayItem(alarms, a), "alarm_result"));
            }
        }
        EXPECT_GE(results, lastResults);  // queued in the order the record grew
        lastResults = results;
    }
    EXPECT_EQ(lastResults, 200);
    Json file(ReadFile("cnt_net/data/Statistics"));
    EXPECT_TRUE(file.root);
}

TEST_F(ReportRecords, RemindersAddedAndRemovedInTheFile)
{
    CNT_Path_Remind r;
    net->CNT_SendAddRemind(r);
    r.utc = 7;
    net->CNT_SendAddRemind(r);
    net->CNT_SendDelRemind(1520307723012);
    ASSERT_EQ(Bodies(12).size(), 2);
    Json added(Bodies(12)[0]);
    EXPECT_EQ(KeysOf(added.root), QStringList({"device_id", "utc", "notification_utc", "duration", "description", "operator_id"}));
    Json removed(Bodies(13)[0]);
    EXPECT_EQ(KeysOf(removed.root), QStringList({"device_id", "utc"}));
    Json file(ReadFile("cnt_net/data/Remind"));
    const cJSON* list = cJSON_GetObjectItem(file.root, "remind");
    ASSERT_EQ(cJSON_GetArraySize(list), 1);
    EXPECT_EQ(NumOf(cJSON_GetArrayItem(list, 0), "utc"), 7);
}

// The NG picture writer reports a picture seconds after the verdict handed it over, while the GUI
// thread goes on changing the record and the counts: the report carries what was in force at the
// hand-over, and goes out only when the client is there once the file is written.
TEST_F(ReportRecords, APictureReportSendsWhatWasInForceAtItsHandOver)
{
    CNT_Net* const oldNet = gpNet;
    gpNet = net.get();
    numCamera = 1;
    gAllNum[0] = 10;
    gFailNum[0] = 4;
    std::strcpy(para.CntNet_ProName, "Cup");
    runState = 1;
    para.cnt_net_enabled = 0;
    EXPECT_FALSE(PictureSavedReport()) << "reporting off: nothing to send";
    para.cnt_net_enabled = 1;
    const std::function<void(const QString&)> report = PictureSavedReport();
    ASSERT_TRUE(report);

    std::strcpy(para.CntNet_ProName, "Lid, a much longer product name");
    gAllNum[0] = 11;
    gFailNum[0] = 5;
    runState = 3;
    const QString path = QDir::current().absoluteFilePath("alarmimage/camera1/detect1/NG/x.jpg");
    report(path);
    EXPECT_TRUE(Bodies(7).isEmpty()) << "no client: nothing queued";
    net->connected = true;
    std::thread writer(report, path);
    writer.join();
    net->connected = false;
    gpNet = oldNet;

    EXPECT_EQ(Bodies(5), QList<QByteArray>{path.toUtf8()});
    const QList<QByteArray> bodies = Bodies(7);
    ASSERT_EQ(bodies.size(), 1);
    Json j(bodies[0]);
    EXPECT_EQ(TextOf(j.root, "product_name"), "Cup");
    EXPECT_EQ(NumOf(j.root, "watch_count_total"), 10);
    EXPECT_EQ(NumOf(j.root, "ng_count_total"), 4);
    EXPECT_EQ(NumOf(j.root, "state"), 0) << "detecting at the hand-over";
    EXPECT_EQ(TextOf(j.root, "ng_image"), "./alarmimage/camera1/detect1/NG/x.jpg");
}
