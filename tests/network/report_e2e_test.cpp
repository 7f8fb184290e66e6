// The real program (own network namespace, board simulator, simulated camera, reporting on)
// starts ./cnt_net/runNetClient.py itself, which runs tools/reportpeer: what an NG cycle and its
// release reach the peer, and the OK cycle's release time with a peer that stops reading or is
// gone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <cjson/cJSON.h>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/synthscene.h"
#include "tools/reportpeer/peerlog.h"

namespace {

struct PeerFrame {
    qint64 ms;
    int type;
    QByteArray body;
};

class ReportE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        CycleRigSetup s;
        s.delay0 = 5;
        s.delay1 = 10;
        ASSERT_TRUE(rig.Prepare(s));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "e2e");
            db.setDatabaseName("PARAM.db");
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec("UPDATE sysparam SET value = '1 0 0 0 0 1 10000 1' WHERE name = 'CntNet'"));
            db.close();
        }
        QSqlDatabase::removeDatabase("e2e");
        // The client script: the peer with its commands from a FIFO and its log in a file.
        ASSERT_EQ(mkfifo(dir.file("peer.in").toLocal8Bit().constData(), 0600), 0);
        ASSERT_TRUE(dir.write("cnt_net/runNetClient.py",
                              QString("import os\n"
                                      "fd = os.open('peer.in', os.O_RDWR)\n"
                                      "os.dup2(fd, 0)\n"
                                      "out = os.open('peer.log', os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o600)\n"
                                      "os.dup2(out, 1)\n"
                                      "os.execv('%1', ['reportpeer'])\n")
                                  .arg(buildDir() + "/reportpeer")
                                  .toUtf8()));
    }
    void TearDown() override
    {
        Command("exit");
        rig.Stop();
    }
    void Command(const QByteArray& line)
    {
        QFile f(dir.file("peer.in"));
        if (f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            f.write(line + "\n");
    }
    QList<PeerFrame> Frames()
    {
        QList<PeerFrame> out;
        QFile f(dir.file("peer.log"));
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> w = line.split(' ');
            if (w.size() < 3 || w[1] != "frame")
                continue;
            const QByteArray frame = UnescapeLine(line.mid(w[0].size() + 7));
            const int mark = frame.indexOf(":..!");
            out << PeerFrame{w[0].toLongLong(), frame.left(frame.indexOf(':')).toInt(), frame.mid(mark + 4)};
        }
        return out;
    }
    QList<PeerFrame> OfType(int type)
    {
        QList<PeerFrame> out;
        for (const PeerFrame& f : Frames())
            if (f.type == type)
                out << f;
        return out;
    }
    bool PeerSays(const char* what)
    {
        QFile f(dir.file("peer.log"));
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(what);
    }
    // Trigger edge to the release of output 1 in an OK cycle, ms past the stage delay.
    qint64 OkCycle()
    {
        const qint64 edge = rig.Pulse(0);
        rig.WaitFor([&] { const auto ch = rig.Changes(edge); return ch.size() >= 3 && ch.last().bits == 0; }, 6000);
        const auto ch = rig.Changes(edge);
        QThread::msleep(300);
        return ch.size() >= 2 && ch[1].bits == 0b001 ? ch[1].ms - edge - 500 : -1;
    }

    ProgramDir dir;
    CycleRig rig{dir.path()};
};

int Num(const cJSON* o, const char* key)
{
    const cJSON* i = cJSON_GetObjectItem(o, key);
    return i ? int(i->valuedouble) : -1;
}

}  // namespace

TEST_F(ReportE2E, NgCycleAndItsReleaseReachThePeerEachOnce)
{
    ASSERT_GE(rig.Launch(), 0);
    ASSERT_TRUE(rig.WaitFor([&] { return PeerSays("connected"); }, 10000)) << rig.Log().toStdString();
    ASSERT_TRUE(rig.WaitFor([&] { return !OfType(1).isEmpty(); }, 5000));  // records queued at start

    cv::Mat part = rig.scene().clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    rig.Show(1, part);
    QThread::msleep(400);
    const qint64 edge = rig.Pulse(0);
    ASSERT_GE(edge, 0);
    ASSERT_TRUE(rig.WaitFor([&] { return !OfType(18).isEmpty() && !OfType(7).isEmpty(); }, 5000)) << rig.Log().toStdString();
    {
        cJSON* once = cJSON_Parse(OfType(18)[0].body.constData());
        ASSERT_TRUE(once);
        EXPECT_EQ(Num(once, "result"), 1);
        const cJSON* cam = cJSON_GetArrayItem(cJSON_GetObjectItem(once, "array"), 0);
        EXPECT_EQ(Num(cam, "camera_id"), 1);
        const cJSON* det = cJSON_GetArrayItem(cJSON_GetObjectItem(cam, "detect_array"), 0);
        const cJSON* roi = cJSON_GetArrayItem(cJSON_GetObjectItem(det, "roi_array"), 0);
        EXPECT_EQ(Num(roi, "roi_id"), 1);
        EXPECT_EQ(Num(roi, "is_alarm"), 0);
        cJSON_Delete(once);
        cJSON* stats = cJSON_Parse(OfType(7)[0].body.constData());
        ASSERT_TRUE(stats);
        EXPECT_EQ(Num(stats, "ng_count_total"), 1);
        const cJSON* scam = cJSON_GetArrayItem(cJSON_GetObjectItem(cJSON_GetObjectItem(stats, "camera"), "ng"), 0);
        const cJSON* sdet = cJSON_GetArrayItem(cJSON_GetObjectItem(scam, "ng_monitors"), 0);
        EXPECT_EQ(Num(cJSON_GetArrayItem(cJSON_GetObjectItem(sdet, "alarm"), 0), "alarm_result"), 1);
        cJSON_Delete(stats);
    }

    // Part taken out; the re-check input releases the hold and the writer saves the pictures.
    rig.Show(1, rig.scene());
    QThread::msleep(400);
    rig.Pulse(1);
    ASSERT_TRUE(rig.WaitFor([&] { return !OfType(20).isEmpty() && !OfType(5).isEmpty(); }, 8000)) << rig.Log().toStdString();
    QThread::msleep(500);
    const QByteArray picture = OfType(5)[0].body;
    EXPECT_TRUE(picture.contains("alarmimage/camera1/detect1/NG/")) << picture.constData();
    EXPECT_TRUE(QFile::exists(QString::fromUtf8(picture))) << picture.constData();
    bool statisticsOfThePicture = false;
    for (const PeerFrame& f : OfType(7))
        statisticsOfThePicture |= f.body.contains("\"ng_image\":\t\"./alarmimage/camera1/detect1/NG/");
    EXPECT_TRUE(statisticsOfThePicture);
    EXPECT_GT(OfType(20)[0].ms, OfType(18)[0].ms);

    // Each message acknowledged once: none was written twice.
    QSet<QByteArray> seen;
    for (const PeerFrame& f : Frames()) {
        const QByteArray key = QByteArray::number(f.type) + ':' + f.body;
        EXPECT_FALSE(seen.contains(key)) << key.left(200).constData();
        seen.insert(key);
    }
}

TEST_F(ReportE2E, OkCycleReleaseDoesNotWaitOnAStuckOrMissingPeer)
{
    ASSERT_GE(rig.Launch(), 0);
    ASSERT_TRUE(rig.WaitFor([&] { return PeerSays("connected"); }, 10000)) << rig.Log().toStdString();
    QThread::msleep(500);
    const qint64 healthy = OkCycle();
    Command("stopread");
    QThread::msleep(200);
    const qint64 stuck = OkCycle();
    Command("exit");
    QThread::msleep(500);
    const qint64 gone = OkCycle();
    std::printf("[ figures  ] OK cycle, edge to release of output 1 minus the delay: healthy peer %lld ms, "
                "peer not reading %lld ms, no peer %lld ms\n",
                static_cast<long long>(healthy), static_cast<long long>(stuck), static_cast<long long>(gone));
    ASSERT_GE(healthy, 0);
    ASSERT_GE(stuck, 0);
    ASSERT_GE(gone, 0);
}
