// The cameras of a stage are inspected in parallel; their verdicts must still be applied in camera
// order, as one after another: the alarm record names the NG cameras in order, only they are
// counted as failed and only they keep NG pictures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
#include "core/uitexttable.h"
#include "vision/controller/verdictlogic.h"

namespace {

QStringList NgPictures(int camera)
{
    return QDir(QString("alarmimage/camera%1/detect1/NG").arg(camera)).entryList({"*.jpg"}, QDir::Files, QDir::Name);
}

QStringList RecordTexts()
{
    QStringList out;
    for (const QStringList& row : RecordRows("RECORD.db"))
        out << row.value(2);
    return out;
}

} // namespace

TEST(ParallelInspectionE2E, NgOfTheSecondAndFourthOfFourCamerasIsAppliedInCameraOrder)
{
    ProgramDir dir;
    CycleRig rig(dir.path());
    CycleRigSetup s;
    s.cameras = 4;
    s.regions = 1;
    ASSERT_TRUE(rig.Prepare(s));
    cv::Mat part = rig.scene().clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    ASSERT_TRUE(rig.Show(2, part));
    ASSERT_TRUE(rig.Show(4, part));
    ASSERT_GE(rig.Launch(), 0) << rig.Log().toStdString();
    QThread::msleep(500);

    const qint64 edge = rig.Pulse(0);
    ASSERT_GE(edge, 0);
    gLan = rig.language();
    Data_Init();
    const QString alarm = VerdictLogic::AlarmRecordText({1, 3});
    ASSERT_TRUE(rig.WaitFor([&] { return RecordTexts().contains(alarm); }, 4000))
        << RecordTexts().join("\n").toStdString() << rig.Log().toStdString();
    // The alarm record is written just before the outputs go to the board.
    EXPECT_TRUE(rig.WaitFor([&] {
        const auto ch = rig.Changes(edge);
        return !ch.isEmpty() && ch.last().bits == 0b111;
    }, 2000));

    // Parts taken out; the re-check releases the hold and the held NG pictures are written.
    ASSERT_TRUE(rig.Show(2, rig.scene()));
    ASSERT_TRUE(rig.Show(4, rig.scene()));
    QThread::msleep(400);
    rig.Pulse(1);
    ASSERT_TRUE(rig.WaitFor([&] { return NgPictures(2).size() >= 2 && NgPictures(4).size() >= 2; }, 5000))
        << rig.Log().toStdString();
    QThread::msleep(300);
    EXPECT_TRUE(NgPictures(1).isEmpty());
    EXPECT_TRUE(NgPictures(3).isEmpty());
    ASSERT_TRUE(rig.WaitFor([&] {
        QFile f("count.txt");
        return f.open(QIODevice::ReadOnly) && f.size() > 0;
    }, 3000));
    QFile f("count.txt");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // "all fail" per camera: every camera judged once, the second and fourth failed.
    EXPECT_EQ(QString::fromLatin1(f.readAll()), "1 0 1 1 1 0 1 1 0 0 0 0 0 0 0 0 ");
    rig.Stop();
}
