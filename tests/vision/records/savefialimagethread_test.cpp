// The NG picture writer: names, folders and limits, the re-detection pair, failed saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDeadlineTimer>
#include <QMutex>
#include <QSet>

#include "common/faultyfileops.h"
#include "common/programdir.h"
#include "common/windowworld.h"
#include "mainscreen/picturebrowser.h"
#include "vision/records/savefialimagethread.h"

namespace {

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateGlobalMutexes();
        QuietWindows();  // a window's writer serves the same slots
        savedW = gImageW;
        savedH = gImageH;
        gImageW = 32;
        gImageH = 24;
        FreePictureSlots();
        SaveFialImageThread::AllocateSlots(2);
        for (auto& cam : gFailIndex)
            for (int& i : cam)
                i = 0;
        now = QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12));
        w.hooks.cameraCount = [] { return 2; };
        w.hooks.stageCount = [] { return 2; };
        w.hooks.limit = [this](int kind) { return kind == 0 ? ngLimit : okLimit; };
        w.hooks.clock = [this] { return now; };
        w.hooks.sleep = [this](int ms) {
            sleeps.push_back(ms);
            now = now.addMSecs(ms);
        };
        w.hooks.saved = [this](const QString& path) { saved << path; };
    }
    void TearDown() override
    {
        FreePictureSlots();
        gImageW = savedW;
        gImageH = savedH;
    }
    QImage Picture(QRgb colour)
    {
        QImage img(gImageW, gImageH, QImage::Format_RGB32);
        img.fill(colour);
        return img;
    }
    QStringList Jpgs(const QString& folder)
    {
        return QDir(folder).entryList(QStringList() << "*.jpg", QDir::Files, QDir::Name);
    }
    void Touch(const QString& path, int secondsAgo)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo), QFileDevice::FileModificationTime);
    }

    ProgramDir dir;
    SaveFialImageThread w;
    QDateTime now;
    QList<int> sleeps;
    QStringList saved;
    int ngLimit = 3;
    int okLimit = 3;
    int savedW = 0, savedH = 0;
};

const QString kNg1 = "alarmimage/camera1/detect1/NG";

} // namespace

TEST_F(WriterTest, NamesAndFolders)
{
    EXPECT_EQ(SaveFialImageThread::FileName(3, now), QString("3_2026-12-07_10.11.12.jpg"));
    EXPECT_EQ(SaveFialImageThread::FileName(0, now), QString("2026-12-07_10.11.12.jpg"));
    EXPECT_EQ(SaveFialImageThread::DefaultFolder(0, 1, 0), QString("./alarmimage//camera1//detect2//NG"));
    EXPECT_EQ(SaveFialImageThread::DefaultFolder(7, 7, 1), QString("./alarmimage//camera8//detect8//OK"));
    EXPECT_EQ(SaveFialImageThread::ReportPath("/tmp/p/alarmimage/camera1/x.jpg", "/tmp/p"),
              QString("./alarmimage/camera1/x.jpg"));
}

TEST_F(WriterTest, NgPictureIsWrittenUnderItsFirstNgRegionAndTheIndexResets)
{
    ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(200, 30, 30))));
    gFailIndex[0][0] = 4;
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1), QStringList{"4_2026-12-07_10.11.12.jpg"});
    EXPECT_EQ(gFailIndex[0][0], 0);
    EXPECT_EQ(gisSaveFail[0][0][0], 0);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0], QDir(kNg1).absoluteFilePath("4_2026-12-07_10.11.12.jpg"));
    EXPECT_EQ(w.written(), 1);
    const QImage back(dir.file(kNg1 + "/4_2026-12-07_10.11.12.jpg"));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(32, 24));
    EXPECT_NEAR(qRed(back.pixel(5, 5)), 200, 12);
    EXPECT_EQ(sleeps, QList<int>{200});
    // Nothing flagged: nothing written.
    w.Pass();
    EXPECT_EQ(w.written(), 1);
}

TEST_F(WriterTest, ReDetectionPairGoesToTheNgFolderAtLeastOneSecondApart)
{
    SaveFialImageThread::PutSlot(1, 1, 0, Picture(qRgb(255, 0, 0)));
    SaveFialImageThread::PutSlot(1, 1, 1, Picture(qRgb(0, 255, 0)));
    gFailIndex[1][1] = 2;
    SaveFialImageThread::HandOver(1, 1, true, true);
    w.Pass();
    const QString ng = "alarmimage/camera2/detect2/NG";
    EXPECT_EQ(Jpgs(ng), (QStringList{"2_2026-12-07_10.11.12.jpg", "2_2026-12-07_10.11.13.jpg"}));
    EXPECT_FALSE(QDir("alarmimage/camera2/detect2/OK").exists() && !Jpgs("alarmimage/camera2/detect2/OK").isEmpty());
    EXPECT_EQ(sleeps, (QList<int>{1000, 200}));
    EXPECT_EQ(gFailIndex[1][1], 0);
}

TEST_F(WriterTest, OkPictureAloneGoesToTheOkFolderUnderItsLimit)
{
    okLimit = 2;
    QDir().mkpath("alarmimage/camera1/detect2/OK");
    Touch("alarmimage/camera1/detect2/OK/a.jpg", 30);
    Touch("alarmimage/camera1/detect2/OK/b.jpg", 20);
    SaveFialImageThread::PutSlot(0, 1, 1, Picture(qRgb(0, 200, 0)));
    SaveFialImageThread::HandOver(0, 1, true, false);
    w.Pass();
    EXPECT_EQ(Jpgs("alarmimage/camera1/detect2/OK"), (QStringList{"2026-12-07_10.11.12.jpg", "b.jpg"}));
}

TEST_F(WriterTest, LimitRemovesTheOldestFirst)
{
    QDir().mkpath(kNg1);
    Touch(kNg1 + "/old1.jpg", 50);
    Touch(kNg1 + "/old2.jpg", 40);
    Touch(kNg1 + "/old3.jpg", 30);
    Touch(kNg1 + "/keep.txt", 100);  // only pictures count
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(1, 2, 3)));
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1), (QStringList{"2026-12-07_10.11.12.jpg", "old2.jpg", "old3.jpg"}));
    EXPECT_TRUE(QFile::exists(kNg1 + "/keep.txt"));

    // Five copied in from outside: the three oldest go once the new one is written.
    for (int i = 0; i < 5; ++i)
        Touch(QString("%1/x%2.jpg").arg(kNg1).arg(i), 200 - i);
    now = now.addSecs(60);
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1).size(), 3);
    EXPECT_TRUE(Jpgs(kNg1).contains("2026-12-07_10.12.12.jpg"));
    EXPECT_TRUE(Jpgs(kNg1).contains("2026-12-07_10.11.12.jpg"));
}

TEST_F(WriterTest, FailedSaveIsLoggedAndNeverReportedAsSaved)
{
    // A file where the folder should be: the folder cannot be made.
    ASSERT_TRUE(dir.write("blocked", "file"));
    w.hooks.folder = [](int, int, int) { return QStringLiteral("./blocked/NG"); };
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(9, 9, 9)));
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_EQ(w.failed(), 1);
    EXPECT_EQ(w.written(), 0);

    // The file cannot get its name.
    FaultyFileOps ops;
    ops.FailRenamesFrom(".part");
    w.hooks.folder = [](int, int, int) { return QStringLiteral("./pics"); };
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_EQ(w.failed(), 2);
    EXPECT_TRUE(QDir("pics").entryList(QDir::Files).isEmpty());  // no partial file left

    // The same failure in the last pass at the end: Finish does not say every picture is written.
    SaveFialImageThread::HandOver(0, 0, false, true);
    EXPECT_FALSE(w.Finish(5000));
    EXPECT_EQ(w.failed(), 3);
    EXPECT_TRUE(saved.isEmpty());
}

TEST_F(WriterTest, AFailedWriteKeepsEveryOlderPictureAndIsToldOncePerRunOfFailures)
{
    QStringList told;
    w.hooks.failed = [&](const QString& what, const QString&) { told << what; };
    QDir().mkpath(kNg1);
    Touch(kNg1 + "/old1.jpg", 50);
    Touch(kNg1 + "/old2.jpg", 40);
    Touch(kNg1 + "/old3.jpg", 30);
    // The folder is at its limit and the new file cannot get its name.
    FaultyFileOps ops;
    ops.FailRenamesFrom(".part");
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(1, 2, 3)));
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1), (QStringList{"old1.jpg", "old2.jpg", "old3.jpg"}));
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();  // the same second: fails again
    EXPECT_EQ(w.failed(), 2);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].endsWith("2026-12-07_10.11.12.jpg")) << told[0].toStdString();

    // Written again: the oldest makes room after the write; the next failure is told again.
    ops.FailRenamesFrom(QString());
    now = now.addSecs(1);
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1), (QStringList{"2026-12-07_10.11.13.jpg", "old2.jpg", "old3.jpg"}));
    ops.FailRenamesFrom(".part");
    now = now.addSecs(1);
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(told.size(), 2);
    EXPECT_TRUE(QFile::exists(kNg1 + "/old2.jpg"));
}

// A disk that fills up part-way through a picture: a write taking fewer bytes than asked, then
// one refusing (ENOSPC), or a device that reports nothing written.
TEST_F(WriterTest, AShortWriteLeavesNoFileDeletesNothingAndIsToldOnce)
{
    QStringList told, why;
    w.hooks.failed = [&](const QString& what, const QString& reason) {
        told << what;
        why << reason;
    };
    QDir().mkpath(kNg1);
    for (int i = 1; i <= 3; ++i)
        Touch(QString("%1/old%2.jpg").arg(kNg1).arg(i), 60 - 10 * i);
    long long room = 100;  // bytes the disk still takes
    int calls = 0;
    w.hooks.writeSome = [&](int fd, const char* data, long long size) -> long long {
        ++calls;
        if (room <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const long long n = std::min(size, std::min(room, 64LL));
        room -= n;
        return ::write(fd, data, size_t(n));
    };
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(1, 2, 3)));
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(calls, 3) << "64 bytes, 36 bytes, then the refusal";
    // A device that takes nothing and reports no error.
    w.hooks.writeSome = [](int, const char*, long long) -> long long { return 0; };
    now = now.addSecs(1);
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();

    EXPECT_EQ(QDir(kNg1).entryList(QDir::Files, QDir::Name), (QStringList{"old1.jpg", "old2.jpg", "old3.jpg"}));
    EXPECT_EQ(w.failed(), 2);
    EXPECT_EQ(w.written(), 0);
    EXPECT_TRUE(saved.isEmpty());
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].endsWith("2026-12-07_10.11.12.jpg"));
    EXPECT_TRUE(why[0].startsWith("100 of ")) << why[0].toStdString();

    // Room again: written whole, and only now the oldest goes.
    w.hooks.writeSome = nullptr;
    now = now.addSecs(1);
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1), (QStringList{"2026-12-07_10.11.14.jpg", "old2.jpg", "old3.jpg"}));
    EXPECT_FALSE(QImage(kNg1 + "/2026-12-07_10.11.14.jpg").isNull());
}

TEST_F(WriterTest, SlotsRefuseWrongSizesAndCamerasBeyondTheCount)
{
    EXPECT_FALSE(SaveFialImageThread::PutSlot(0, 0, 0, QImage(10, 10, QImage::Format_RGB32)));
    EXPECT_FALSE(SaveFialImageThread::PutSlot(5, 0, 0, Picture(0)));  // not allocated
    EXPECT_TRUE(SaveFialImageThread::GetSlot(5, 0, 0).isNull());
    ASSERT_TRUE(SaveFialImageThread::PutSlot(1, 0, 1, Picture(qRgb(1, 2, 3))));
    EXPECT_EQ(SaveFialImageThread::GetSlot(1, 0, 1).pixel(31, 23), qRgb(1, 2, 3));
}

TEST_F(WriterTest, ThreadWritesAndStopsOnRequest)
{
    w.hooks.sleep = [](int ms) { QThread::msleep(ulong(ms / 20 + 1)); };
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(50, 50, 50)));
    SaveFialImageThread::HandOver(0, 0, false, true);
    w.start();
    for (int i = 0; i < 200 && w.written() == 0; ++i)
        QThread::msleep(5);
    w.requestInterruption();
    EXPECT_TRUE(w.wait(2000));
    EXPECT_EQ(w.written(), 1);
}

// The end of the program: what was handed over is on the disk when Finish returns, the pauses
// between writes dropped but for the second that keeps a re-detection's two names apart.
TEST_F(WriterTest, FinishWritesEveryPictureHandedOverBeforeIt)
{
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(200, 0, 0)));
    SaveFialImageThread::PutSlot(1, 1, 0, Picture(qRgb(200, 0, 0)));
    SaveFialImageThread::PutSlot(1, 1, 1, Picture(qRgb(0, 200, 0)));
    SaveFialImageThread::PutSlot(0, 1, 1, Picture(qRgb(0, 200, 0)));
    SaveFialImageThread::HandOver(0, 0, false, true);
    SaveFialImageThread::HandOver(1, 1, true, true);
    SaveFialImageThread::HandOver(0, 1, true, false);
    EXPECT_TRUE(w.Finish(5000));  // never started: written here
    EXPECT_EQ(Jpgs(kNg1).size(), 1);
    EXPECT_EQ(Jpgs("alarmimage/camera2/detect2/NG"), (QStringList{"2026-12-07_10.11.12.jpg", "2026-12-07_10.11.13.jpg"}));
    EXPECT_EQ(Jpgs("alarmimage/camera1/detect2/OK").size(), 1);
    EXPECT_EQ(sleeps, QList<int>{1000});

    // Running: a picture handed over while it sleeps between its passes.
    SaveFialImageThread w2;
    w2.hooks = w.hooks;
    w2.hooks.sleep = [](int ms) { QThread::msleep(ulong(ms / 20 + 1)); };
    w2.start();
    now = now.addSecs(5);
    SaveFialImageThread::HandOver(0, 0, false, true);
    EXPECT_TRUE(w2.Finish(5000));
    EXPECT_TRUE(w2.isFinished());
    EXPECT_EQ(Jpgs(kNg1).size(), 2);

    // A thread held in a write past the bound: nothing is written beside it.
    SaveFialImageThread w3;
    w3.hooks = w.hooks;
    std::atomic<int> writes{0};
    std::atomic<bool> go{false};
    w3.hooks.writeSome = [&](int fd, const char* data, long long size) -> long long {
        ++writes;
        while (!go)
            QThread::msleep(1);
        return ::write(fd, data, size_t(size));
    };
    now = now.addSecs(5);
    SaveFialImageThread::HandOver(0, 0, false, true);
    w3.start();
    for (int i = 0; i < 2000 && writes == 0; ++i)
        QThread::msleep(1);
    SaveFialImageThread::HandOver(1, 1, false, true);
    EXPECT_FALSE(w3.Finish(50));
    EXPECT_EQ(writes, 1);
    go = true;
    EXPECT_TRUE(w3.wait(5000));
}

// Each picture carries the report made at its hand-over; it runs once its file is on disk, with
// that file, and never for a picture that was not written. A later hand-over of the same picture
// before the writer came replaces the report: the newer facts go out.
TEST_F(WriterTest, EachPictureCarriesItsOwnReportToItsWrittenFile)
{
    QStringList got;
    auto reportAs = [&got](const QString& who) {
        return [&got, who](const QString& path) {
            got << who + " " + QFileInfo(path).dir().path().section('/', -3) + "/" + QFileInfo(path).fileName();
        };
    };
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(200, 0, 0)));
    SaveFialImageThread::PutSlot(1, 1, 0, Picture(qRgb(200, 0, 0)));
    SaveFialImageThread::PutSlot(1, 1, 1, Picture(qRgb(0, 200, 0)));
    SaveFialImageThread::HandOver(0, 0, false, true, reportAs("old"));
    SaveFialImageThread::HandOver(0, 0, false, true, reportAs("first"));
    SaveFialImageThread::HandOver(1, 1, true, true, reportAs("pair"));
    w.Pass();
    EXPECT_EQ(got, (QStringList{"first camera1/detect1/NG/2026-12-07_10.11.12.jpg",
                                "pair camera2/detect2/NG/2026-12-07_10.11.12.jpg",
                                "pair camera2/detect2/NG/2026-12-07_10.11.13.jpg"}));
    EXPECT_EQ(saved.size(), 3) << "the writer's own hook still hears of every file";

    got.clear();
    w.Pass();
    EXPECT_TRUE(got.isEmpty()) << "a report runs once";

    ASSERT_TRUE(dir.write("blocked", "file"));
    w.hooks.folder = [](int, int, int) { return QStringLiteral("./blocked/NG"); };
    SaveFialImageThread::HandOver(0, 0, false, true, reportAs("lost"));
    w.Pass();
    EXPECT_EQ(w.failed(), 1);
    EXPECT_TRUE(got.isEmpty()) << "no file, no report";
}

// The next NG paints the slots again while the writer is still behind: each hand-over keeps the
// pictures as they were when handed over, and each is written under a name of its own (stamped
// to the second, the next one waits for the next second rather than replace it).
TEST_F(WriterTest, APictureHandedOverIsWrittenThoughTheSlotIsPaintedAgainBeforeTheWriterCame)
{
    ngLimit = 10;
    const QRgb colours[2][2] = {{qRgb(200, 0, 0), qRgb(0, 200, 0)}, {qRgb(0, 0, 200), qRgb(200, 200, 0)}};
    for (const auto& cycle : colours) {
        ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, Picture(cycle[0])));
        ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 1, Picture(cycle[1])));
        ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, true, true));
    }
    EXPECT_EQ(gisSaveFail[0][0][0], 2);
    w.Pass();
    const QStringList names = Jpgs(kNg1);
    ASSERT_EQ(names.join(' ').toStdString(),
              "2026-12-07_10.11.12.jpg 2026-12-07_10.11.13.jpg 2026-12-07_10.11.14.jpg 2026-12-07_10.11.15.jpg");
    for (int i = 0; i < 4; ++i) {
        const QImage back(dir.file(kNg1 + "/" + names[i]));
        ASSERT_FALSE(back.isNull());
        const QRgb want = colours[i / 2][i % 2];
        EXPECT_NEAR(qRed(back.pixel(5, 5)), qRed(want), 12) << names[i].toStdString();
        EXPECT_NEAR(qGreen(back.pixel(5, 5)), qGreen(want), 12) << names[i].toStdString();
        EXPECT_NEAR(qBlue(back.pixel(5, 5)), qBlue(want), 12) << names[i].toStdString();
    }
    EXPECT_EQ(sleeps, (QList<int>{1000, 200, 800, 1000, 200}));
    EXPECT_EQ(gisSaveFail[0][0][0] + gisSaveFail[0][0][1], 0);

    // A clock that stands still: the second picture gets a copy number, never written over the first.
    QStringList told;
    w.hooks.failed = [&](const QString& what, const QString&) { told << what; };
    w.hooks.sleep = [](int) {};
    now = now.addSecs(60);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(SaveFialImageThread::PutSlot(1, 0, 0, Picture(colours[i][0])));
        ASSERT_TRUE(SaveFialImageThread::HandOver(1, 0, false, true));
    }
    w.Pass();
    const QString ng2 = "alarmimage/camera2/detect1/NG";
    ASSERT_EQ(Jpgs(ng2), (QStringList{"2026-12-07_10.12.15-2.jpg", "2026-12-07_10.12.15.jpg"}));
    EXPECT_NEAR(qRed(QImage(dir.file(ng2 + "/2026-12-07_10.12.15.jpg")).pixel(5, 5)), 200, 12);
    EXPECT_NEAR(qBlue(QImage(dir.file(ng2 + "/2026-12-07_10.12.15-2.jpg")).pixel(5, 5)), 200, 12);
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(w.failed(), 0);
}

// A writer stuck on its disk: a few hand-overs of a camera and stage wait, the next one is
// refused (and says so) rather than take memory without end; the waiting ones are all written.
TEST_F(WriterTest, HandOversBeyondTheBoundAreRefusedAndTheWaitingOnesWritten)
{
    const int bound = SaveFialImageThread::kWaitingPerStage;
    for (int i = 0; i <= bound; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(SaveFialImageThread::PutSlot(1, 1, 1, Picture(qRgb(0, 40 * i + 40, 0))));
        EXPECT_EQ(SaveFialImageThread::HandOver(1, 1, true, false), i < bound);
    }
    // The same picture again only renews its report; another camera has a bound of its own.
    EXPECT_FALSE(SaveFialImageThread::HandOver(1, 1, true, false)) << "the refused picture was never kept";
    ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 1, 1, Picture(qRgb(0, 0, 0))));
    EXPECT_TRUE(SaveFialImageThread::HandOver(0, 1, true, false));
    w.Pass();
    const QString ok = "alarmimage/camera2/detect2/OK";
    const QStringList names = Jpgs(ok);
    ASSERT_EQ(names.size(), bound);
    for (int i = 0; i < bound; ++i)
        EXPECT_NEAR(qGreen(QImage(dir.file(ok + "/" + names[i])).pixel(5, 5)), 40 * i + 40, 12) << i;
    EXPECT_EQ(Jpgs("alarmimage/camera1/detect2/OK").size(), 1);
    EXPECT_EQ(w.failed(), 0);
}

// The next NG is painted while the writer still writes the last one: its pictures keep their own
// first NG region, whatever the writer does meanwhile.
TEST_F(WriterTest, TheNextNgPaintedWhileTheLastIsWrittenKeepsItsOwnFirstNgRegion)
{
    ngLimit = 10;
    // What painting an NG picture does to the index: the first NG region, unless one is set.
    auto paint = [this](int firstNg) {
        ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(200, 0, 0))));
        if (gFailIndex[0][0] == 0)
            gFailIndex[0][0] = firstNg;
    };
    paint(4);
    ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, false, true));
    EXPECT_EQ(gFailIndex[0][0], 0) << "taken along by the hand-over";
    bool painted = false;
    w.hooks.sleep = [&](int ms) {
        now = now.addMSecs(ms);
        if (!painted) {
            painted = true;
            paint(2);
        }
    };
    w.Pass();
    ASSERT_TRUE(painted);
    EXPECT_EQ(gFailIndex[0][0], 2) << "the writer leaves the next NG's region alone";
    ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, false, true));
    w.Pass();
    EXPECT_EQ(Jpgs(kNg1).join(' ').toStdString(), "2_2026-12-07_10.11.12.jpg 4_2026-12-07_10.11.12.jpg");

    // An OK picture alone takes the index along but leaves it: only an NG hand-over ends it.
    paint(3);
    ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 1, Picture(qRgb(0, 200, 0))));
    ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, true, false));
    EXPECT_EQ(gFailIndex[0][0], 3);
}

// A picture told saved survives a power cut: its folder is synced once the file has its name
// there, each time; a sync that fails leaves the whole picture in place (and says so).
TEST_F(WriterTest, EachPictureIsSyncedIntoItsFolderOnceItHasItsName)
{
    QStringList synced;  // the folder's files as each sync finds them
    bool syncWorks = true;
    w.hooks.syncFolder = [&](const QString& folder, QString* why) {
        synced << QDir(folder).path().section('/', -3) + ": " + QDir(folder).entryList(QDir::Files, QDir::Name).join(' ');
        *why = "refused";
        return syncWorks;
    };
    SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(200, 0, 0)));
    SaveFialImageThread::PutSlot(0, 0, 1, Picture(qRgb(0, 200, 0)));
    SaveFialImageThread::PutSlot(0, 1, 1, Picture(qRgb(0, 200, 0)));
    ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, true, true));
    ASSERT_TRUE(SaveFialImageThread::HandOver(0, 1, true, false));
    w.Pass();
    EXPECT_EQ(synced.join('\n').toStdString(),
              "camera1/detect1/NG: 2026-12-07_10.11.12.jpg\n"
              "camera1/detect1/NG: 2026-12-07_10.11.12.jpg 2026-12-07_10.11.13.jpg\n"
              "camera1/detect2/OK: 2026-12-07_10.11.13.jpg");

    syncWorks = false;
    synced.clear();
    now = now.addSecs(10);
    ASSERT_TRUE(SaveFialImageThread::HandOver(0, 1, true, false));
    w.Pass();
    EXPECT_EQ(synced.size(), 1);
    EXPECT_EQ(w.written(), 4);
    EXPECT_EQ(w.failed(), 0);
    EXPECT_EQ(Jpgs("alarmimage/camera1/detect2/OK").size(), 2);
}

// Pictures of one folder written within one second are stamped alike but for their first NG
// region: each keeps a file of its own, also when a region's name comes back after another's
// (the writer behind on its disk writes them one after another, at the end with no pause).
TEST_F(WriterTest, PicturesOfOneSecondKeepAFileEachWhateverTheirFirstNgRegions)
{
    ngLimit = 10;
    struct Case {
        QList<int> regions;
        bool atTheEnd;  // written by Finish (no pauses) rather than by a pass
    };
    const Case cases[] = {{{4, 2, 4}, false}, {{4, 2, 4}, true}, {{1, 3, 1}, true}, {{4, 4}, true}};
    for (const Case& t : cases) {
        QStringList names;
        for (int r : t.regions)
            names << QString::number(r);
        SCOPED_TRACE((names.join(' ') + (t.atTheEnd ? " at the end" : " in a pass")).toStdString());
        QDir(kNg1).removeRecursively();
        now = now.addSecs(10);
        SaveFialImageThread writer;
        writer.hooks = w.hooks;
        QStringList told;
        writer.hooks.saved = [&told](const QString& path) { told << path; };
        for (int i = 0; i < t.regions.size(); ++i) {
            ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(40 * i + 40, 0, 0))));
            gFailIndex[0][0] = t.regions[i];
            ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, false, true));
        }
        if (t.atTheEnd)
            ASSERT_TRUE(writer.Finish(5000));
        else
            writer.Pass();
        EXPECT_EQ(writer.written(), t.regions.size());
        EXPECT_EQ(QSet<QString>(told.begin(), told.end()).size(), t.regions.size())
            << "a file told saved twice: " << told.join(' ').toStdString();
        EXPECT_EQ(Jpgs(kNg1).size(), t.regions.size()) << Jpgs(kNg1).join(' ').toStdString();
    }
}

// Finish's answer at the end of the program: true says every picture handed over is on the disk
// within the stop's bound (3 s); its pauses alone may not outlast it.
TEST_F(WriterTest, FinishSaysTrueOnlyWithEveryPictureWrittenWithinItsBound)
{
    const int bound = 3000;
    // Re-detection pairs of every camera and stage, handed over after the thread's last look.
    for (int c = 0; c < 2; ++c)
        for (int d = 0; d < 2; ++d) {
            ASSERT_TRUE(SaveFialImageThread::PutSlot(c, d, 0, Picture(qRgb(200, 0, 0))));
            ASSERT_TRUE(SaveFialImageThread::PutSlot(c, d, 1, Picture(qRgb(0, 200, 0))));
            ASSERT_TRUE(SaveFialImageThread::HandOver(c, d, true, true));
        }
    const bool whole = w.Finish(bound);
    int paused = 0;
    for (int ms : sleeps)
        paused += ms;
    EXPECT_TRUE(!whole || paused <= bound) << "Finish(" << bound << ") said true after pausing " << paused << " ms";

    // A slow disk: each write takes longer than the whole bound; none may begin once it is over.
    SaveFialImageThread writer;
    writer.hooks = w.hooks;
    const int shortBound = 20;
    QDeadlineTimer over(shortBound);
    int late = 0;
    writer.hooks.writeSome = [&](int fd, const char* data, long long size) -> long long {
        late += over.hasExpired() ? 1 : 0;
        QThread::msleep(ulong(shortBound + 10));
        return ::write(fd, data, size_t(size));
    };
    now = now.addSecs(10);
    for (int c = 0; c < 2; ++c)
        ASSERT_TRUE(SaveFialImageThread::HandOver(c, 0, false, true));
    over = QDeadlineTimer(shortBound);
    const bool said = writer.Finish(shortBound);
    EXPECT_TRUE(!said || late == 0) << "Finish(" << shortBound << ") said true and began " << late
                                    << " write(s) after its bound";
}

// The stage count fell (a parameter load) while a picture of a later stage waited: Finish does not
// say that everything handed over is written.
TEST_F(WriterTest, FinishSaysFalseWithAPictureOfAStageBeyondTheCountLeft)
{
    const int bound = 3000;
    SaveFialImageThread writer;
    writer.hooks = w.hooks;
    writer.hooks.stageCount = [] { return 1; };
    now = now.addSecs(10);
    ASSERT_TRUE(SaveFialImageThread::HandOver(1, 1, false, true));
    const bool said = writer.Finish(bound);
    EXPECT_TRUE(!said || gisSaveFail[1][1][0] == 0)
        << "Finish said every picture is written, one of camera 2 stage 2 still waits";
}

// The NG picture an alarm hold keeps is on the disk from the hold's start, synced and not yet
// reported; the hold's outcome replaces that file and only that one: not a file of another
// picture put under its name meanwhile, and not by an NG painted after the hold.
TEST_F(WriterTest, TheHeldNgPictureIsOnTheDiskFromTheHoldsStartAndItsOutcomeReplacesOnlyIt)
{
    ngLimit = 10;
    QStringList synced, reported;
    w.hooks.syncFolder = [&](const QString& folder, QString*) { return synced << Jpgs(folder).join(' '), true; };
    const auto report = [&reported](const QString& path) { reported << QFileInfo(path).fileName(); };
    auto red = [&](const QString& name) { return qRed(QImage(dir.file(kNg1 + "/" + name)).pixel(5, 5)); };
    auto hold = [&](int shade, bool outcome) {
        now = now.addSecs(30);
        ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(shade, 0, 0))));
        ASSERT_TRUE(outcome ? SaveFialImageThread::HandOver(0, 0, false, true, report)
                            : SaveFialImageThread::HandOverHeld(0, 0));
        w.Pass();
    };
    const QString held = "2026-12-07_10.11.42.jpg";
    ASSERT_NO_FATAL_FAILURE(hold(200, false));
    ASSERT_EQ(synced, QStringList{held});
    EXPECT_NEAR(red(held), 200, 12);
    EXPECT_TRUE(reported.isEmpty());
    ASSERT_NO_FATAL_FAILURE(hold(60, true));  // stamped by the operator half a minute later
    EXPECT_EQ(Jpgs(kNg1), QStringList{held});
    EXPECT_NEAR(red(held), 60, 12);
    EXPECT_EQ(reported, QStringList{held});

    SaveFialImageThread::ForgetHeld(0, 0);  // the next NG is painted
    ASSERT_NO_FATAL_FAILURE(hold(120, true));
    EXPECT_EQ(Jpgs(kNg1).size(), 2);
    EXPECT_NEAR(red(held), 60, 12);

    ASSERT_NO_FATAL_FAILURE(hold(200, false));
    const QString held2 = Jpgs(kNg1).last();
    ASSERT_TRUE(QFile::remove(dir.file(kNg1 + "/" + held2)));
    ASSERT_TRUE(dir.write(kNg1 + "/" + held2, "another picture"));
    ASSERT_NO_FATAL_FAILURE(hold(60, true));
    EXPECT_EQ(dir.read(kNg1 + "/" + held2), QByteArray("another picture"));
    EXPECT_EQ(Jpgs(kNg1).size(), 4);
    EXPECT_EQ(w.failed(), 0);
}

// A clock set back (also across a restart, the writer knowing no earlier name) makes names that
// are taken: each picture keeps a file, and the picture pages list, sort and open each one.
TEST_F(WriterTest, PicturesUnderAClockSetBackNeverReplaceOlderOnesAndThePagesShowEach)
{
    ngLimit = 30;
    const QDateTime start = now;
    SaveFialImageThread restarted;
    restarted.hooks = w.hooks;
    for (int i = 0; i < 19; ++i) {
        now = i < 17 ? start.addSecs(i) : start;  // set back past the 16 names the writer keeps in mind
        ASSERT_TRUE(SaveFialImageThread::PutSlot(0, 0, 0, Picture(qRgb(10 * i + 10, 0, 0))));
        ASSERT_TRUE(SaveFialImageThread::HandOver(0, 0, false, true));
        (i < 18 ? w : restarted).Pass();
    }
    const QStringList names = Jpgs(kNg1);
    ASSERT_EQ(names.size(), 19) << names.join(' ').toStdString();
    EXPECT_TRUE(names.contains("2026-12-07_10.11.12-3.jpg"));
    for (int i = 0; i < names.size(); ++i) {  // newest first by their time on the disk
        QFile f(dir.file(kNg1 + "/" + names[i]));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000 + i), QFileDevice::FileModificationTime));
    }
    PictureBrowser pages;
    pages.Restart(4);
    QSet<int> shades;
    int temp = 0, ng = 0;
    for (int i = 0; i < names.size(); ++i, pages.Step(4, 1, {}, temp, 0, ng)) {
        pages.Open(dir.file(kNg1));
        ASSERT_EQ(pages.count(), 19);
        EXPECT_EQ(pages.label() + ".jpg", names[names.size() - 1 - i]);
        shades << qRound(qRed(pages.picture().pixel(5, 5)) / 10.0);
    }
    EXPECT_EQ(shades.size(), 19) << "each picture as it was painted";
}
