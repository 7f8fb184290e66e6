#include <gtest/gtest.h>

#include <memory>

#include <QDialog>
#include <QMap>
#include <QStringList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "common/programdir.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/inspection/shapegeometry.h"

namespace {

class RegionModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::make_unique<ProgramDir>();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dbIn");
            db.setDatabaseName(dir->file("PARAM.db"));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec("PRAGMA synchronous=OFF"));  // a throw-away file: no need to wait for the disk
            for (int c = 0; c < 8; ++c)
                ASSERT_TRUE(q.exec(QString("CREATE TABLE cammer%1(name TEXT, value TEXT)").arg(c)));
        }
        oldHook = setModalHook([this](QDialog& d) {
            auto* box = dynamic_cast<WarnBox*>(&d);
            warnings.append(box ? box->text() : QString("?"));
            return int(QDialog::Accepted);
        });
        CammerSingleton::reportStage = [this](int cam, int s) { reports.append(cam * 10 + s); };
    }
    void TearDown() override
    {
        setModalHook(oldHook);
        CammerSingleton::reportStage = nullptr;
        CammerSingleton::viewMasks = nullptr;
        QSqlDatabase::database("dbIn").close();
        QSqlDatabase::removeDatabase("dbIn");
        dir.reset();
    }
    QMap<QString, QString> rows(int cam = 0)
    {
        QMap<QString, QString> out;
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        EXPECT_TRUE(q.exec(QString("SELECT name, value FROM cammer%1").arg(cam)));
        while (q.next())
            out.insert(q.value(0).toString(), q.value(1).toString());
        return out;
    }
    void put(const QString& name, const QString& value, int cam = 0)
    {
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        q.prepare(QString("INSERT INTO cammer%1 VALUES(?, ?)").arg(cam));
        q.addBindValue(name);
        q.addBindValue(value);
        ASSERT_TRUE(q.exec());
    }
    // A model with one rectangle, one ring and one polygon in stage 0 and a rectangle in stage 2.
    static void fill(CammerSingleton& m)
    {
        m.roiNum[0] = 4;
        m.cavity[0][1] = 2;
        m.cavity[0][7] = 2;
        m.param1[0][0] = 5;
        m.param2[0][0] = 25;
        m.param3[0][0] = 100;
        m.method[0][0] = 0;
        m.shapeType[0][0] = 1;
        m.rects[0][0].rect = QRect(QPoint(10, 20), QPoint(110, 220));
        m.rects[0][0].setImageRect();
        m.param1[0][1] = 12800;
        m.param2[0][1] = 80;
        m.param3[0][1] = 500;
        m.method[0][1] = 1;
        m.shapeType[0][1] = 4;
        m.outputNo[1] = 3;
        m.circles[0][1].center = QPoint(300, 200);
        m.circles[0][1].radius = 50;
        m.circles[0][1].innerRadius = 20;
        m.circles[0][1].UpdateRect();
        m.circles[0][1].setImageRect();
        const QPoint tri[] = {{400, 400}, {600, 410}, {500, 700}};
        m.polygons[0][2] = RePolygon(3, tri);
        m.polygons[0][2].setImageRect();
        m.param1[0][2] = 1;
        m.param2[0][2] = -2;
        m.param3[0][2] = 3;
        m.method[0][2] = 6;
        m.shapeType[0][2] = 2;
        m.outputNo[2] = 1;
        m.param1[0][3] = 7;
        m.shapeType[0][3] = 9;  // no shape
        m.roiNum[2] = 1;
        m.shapeType[2][0] = 1;
        m.param2[2][0] = 77;
        m.rects[2][0].rect = QRect(QPoint(0, 0), QPoint(1724, 981));
        m.rects[2][0].setImageRect();
    }

    std::unique_ptr<ProgramDir> dir;
    static void SetUpTestSuite()
    {
        Data_Init();
        gLan = 1;
    }
    QStringList warnings;
    ModalHook oldHook;
    QList<int> reports;
    ShapeGeometry geometry{1920, 1080, 1725, 982};
};

}  // namespace

TEST_F(RegionModelTest, EmptyTableGivesNoRegionsAndEightDetectRows)
{
    CammerSingleton m(3);
    EXPECT_TRUE(m.LoadWithMasks(nullptr));
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ(m.roiNum[s], 0);
    const auto r = rows(3);
    ASSERT_EQ(r.size(), 8);
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ(r.value(QString("detect%1").arg(s)), "0");
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(RegionModelTest, SavedRowsAreExact)
{
    CammerSingleton m(0);
    fill(m);
    ASSERT_TRUE(m.SaveDatatoFile());
    const auto r = rows();
    EXPECT_EQ(r.value("detect0"), "4 0 2 0 0 0 0 0 2");
    EXPECT_EQ(r.value("detect1"), "0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(r.value("detect2"), "1 0 0 0 0 0 0 0 0");
    EXPECT_EQ(r.value("ROI0-0"), "5 25 100 0 1 0 0 10 20 110 220");
    EXPECT_EQ(r.value("ROI0-1"), QString("12800 80 500 1 4 3 0 300 200 %1").arg(20 * 65536 + 50));
    EXPECT_EQ(r.value("ROI0-2"), "1 -2 3 6 2 1 3 400 400 600 410 500 700 ");
    EXPECT_EQ(r.value("ROI0-3"), "7 0 0 0 9 0 ");
    EXPECT_EQ(r.value("ROI2-0"), "0 77 0 0 1 0 0 0 0 1724 981");
    EXPECT_EQ(r.size(), 8 + 5);
    EXPECT_TRUE(reports.isEmpty());  // reporting off
}

TEST_F(RegionModelTest, SavedStagesAreReportedOnlyToALinkedReportServer)
{
    WizardPara para;
    CNT_Net net;  // no CntNet row here: not listening
    WizardPara* oldPara = gpWPara;
    CNT_Net* oldNet = gpNet;
    gpWPara = &para;
    gpNet = &net;
    CammerSingleton m(2);
    fill(m);
    para.cnt_net_enabled = 1;
    net.isopen = true;
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_TRUE(reports.isEmpty());  // not linked
    net.connected = true;
    para.cnt_net_enabled = 0;
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_TRUE(reports.isEmpty());  // reporting off
    para.cnt_net_enabled = 1;
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_EQ(reports, (QList<int>{20, 21, 22, 23, 24, 25, 26, 27}));
    gpWPara = oldPara;
    gpNet = oldNet;
}

TEST_F(RegionModelTest, LoweringTheCountDeletesTheExtraRows)
{
    CammerSingleton m(0);
    m.roiNum[1] = 5;
    for (int r = 0; r < 5; ++r) {
        m.shapeType[1][r] = 1;
        m.rects[1][r].rect = QRect(QPoint(10 * r, 10), QPoint(10 * r + 50, 60));
    }
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_TRUE(rows().contains("ROI1-4"));
    m.roiNum[1] = 3;
    m.param1[1][0] = 42;
    ASSERT_TRUE(m.SaveDatatoFile());
    const auto r = rows();
    EXPECT_FALSE(r.contains("ROI1-3"));
    EXPECT_FALSE(r.contains("ROI1-4"));
    EXPECT_EQ(r.value("ROI1-0"), "42 0 0 0 1 0 0 0 10 50 60");
    EXPECT_EQ(r.value("detect1"), "3 0 0 0 0 0 0 0 0");
    QSqlQuery q(QSqlDatabase::database("dbIn"));
    ASSERT_TRUE(q.exec("SELECT count(*) FROM cammer0 WHERE name='ROI1-0'"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);  // updated in place, not added again
}

TEST_F(RegionModelTest, AMissingDetectRowIsWrittenSoTheRegionsLoadAgain)
{
    CammerSingleton m(0);
    fill(m);
    ASSERT_TRUE(m.SaveDatatoFile());
    QSqlQuery q(QSqlDatabase::database("dbIn"));
    ASSERT_TRUE(q.exec("DELETE FROM cammer0 WHERE name='detect0'"));
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_EQ(rows().value("detect0"), "4 0 2 0 0 0 0 0 2");
    CammerSingleton back(0);
    ASSERT_TRUE(back.LoadWithMasks(nullptr));
    EXPECT_TRUE(back == m);
}

TEST_F(RegionModelTest, LoadAfterSaveGivesAnEqualModelAndEqualMasks)
{
    CammerSingleton m(0);
    fill(m);
    ASSERT_TRUE(m.SaveDatatoFile());
    CammerSingleton back(0);
    static cv::Mat masks[8][50];
    static cv::Mat* dummyView = &masks[0][0];
    CammerSingleton::viewMasks = [](void* view) {
        return view == dummyView ? &masks : nullptr;
    };
    ASSERT_TRUE(back.LoadDatafromFile(dummyView));
    EXPECT_TRUE(back == m);
    for (int r = 0; r < 3; ++r) {
        cv::Mat want = r == 0 ? m.rects[0][r].UpdateMask() : r == 1 ? m.circles[0][r].UpdateMask() : m.polygons[0][r].UpdateMask();
        ASSERT_EQ(masks[0][r].size(), want.size()) << r;
        EXPECT_EQ(cv::countNonZero(masks[0][r] != want), 0) << r;
        EXPECT_GT(cv::countNonZero(want), 0) << r;
    }
    EXPECT_TRUE(masks[0][3].empty());  // no shape, slot untouched
    EXPECT_EQ(masks[2][0].size(), cv::Size(1920, 1080));
    for (auto& row : masks)
        for (auto& mm : row)
            mm.release();
}

TEST_F(RegionModelTest, StoredRowsLoadAsTheDatabaseSays)
{
    put("detect0", "7");
    put("ROI0-0", "1 2 3 4 4 0 0 300 200 " + QString::number(20 * 65536 + 50));
    put("ROI0-1", "1 2 3 4 4 0 0 300 200 " + QString::number(60 * 65536 + 50));  // inner above outer
    put("ROI0-2", "1 2 3 4 2 7 0 10 10 20 20 ");        // polygon of 0 points, output 7
    put("ROI0-3", "1 2 3 4 2 0 8097 10 10 20 20 ");
    put("ROI0-4", "1 2 3 4 1 2 0 -40 20 5000 3000");     // coordinates brought into the view
    put("ROI0-5", "9 9 9 9 3 1 0 10 10 20 20");          // unknown shape code
    // ROI0-6 missing
    put("detect1", "51 2 2");
    put("detect2", "-1");
    put("detect3", "3 2 0 2");

    static cv::Mat masks[8][50];
    masks[0][5] = cv::Mat(3, 3, CV_8UC1, cv::Scalar(7));
    CammerSingleton m(0);
    ASSERT_TRUE(m.LoadWithMasks(&masks));

    EXPECT_EQ(m.roiNum[0], 7);
    EXPECT_EQ(m.circles[0][0].center, QPoint(300, 200));
    EXPECT_EQ(m.circles[0][0].innerRadius, 20);
    EXPECT_EQ(m.circles[0][0].radius, 50);
    EXPECT_EQ(m.circles[0][1].innerRadius, 50);
    EXPECT_EQ(cv::countNonZero(masks[0][1]), 0);
    for (int r : {2, 3, 6}) {
        EXPECT_EQ(m.shapeType[0][r], 1) << r;
        EXPECT_EQ(m.rects[0][r].rect, QRect(QPoint(50, 50), QPoint(100, 100))) << r;
        EXPECT_EQ(m.param1[0][r], 5);
        EXPECT_EQ(m.param2[0][r], 25);
        EXPECT_EQ(m.param3[0][r], 100);
        EXPECT_EQ(m.method[0][r], 0);
        EXPECT_EQ(m.outputNo[r], 0);
        EXPECT_EQ(masks[0][r].size(), cv::Size(m.rects[0][r].imageRect.width(), m.rects[0][r].imageRect.height()));
    }
    EXPECT_EQ(m.rects[0][4].rect, QRect(QPoint(0, 20), QPoint(1724, 981)));
    EXPECT_EQ(m.outputNo[4], 2);
    EXPECT_EQ(m.param1[0][5], 9);
    EXPECT_EQ(m.shapeType[0][5], 3);
    EXPECT_EQ(masks[0][5].at<uchar>(1, 1), 7);  // kept
    EXPECT_EQ(m.roiNum[1], 0);
    EXPECT_EQ(m.roiNum[2], 0);
    EXPECT_EQ(warnings, (QStringList{"Camera parameter file error!", "Camera parameter file error!"}));
    EXPECT_EQ(m.roiNum[3], 3);
    EXPECT_EQ(m.cavity[3][0], 2);
    EXPECT_EQ(m.cavity[3][2], 2);
    EXPECT_EQ(m.cavity[3][3], 0);
    EXPECT_EQ(m.cavity[3][7], 0);
    EXPECT_EQ(rows().value("detect1"), "51 2 2");  // a bad row stays until the next save
    for (auto& row : masks)
        for (auto& mm : row)
            mm.release();
}

TEST_F(RegionModelTest, RingRadiiBeyondThePackedRangeLoadAsTheySaveAndReload)
{
    put("detect1", "2");
    put("ROI1-0", "5 2 1 0 4 0 0 1 1 -1");  // packed 0xFFFFFFFF: both halves all ones
    put("ROI1-1", "5 2 1 0 4 0 0 300 200 " + QString::number(40000LL * 65536 + 60000));  // above 2^31
    CammerSingleton m(0);
    ASSERT_TRUE(m.LoadWithMasks(nullptr));
    EXPECT_EQ(m.circles[1][0].radius, 65535);
    EXPECT_EQ(m.circles[1][0].innerRadius, 32767);
    EXPECT_EQ(m.circles[1][1].radius, 0);  // the row reads as 0 from the bad number on
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_EQ(rows().value("ROI1-0"), "5 2 1 0 4 0 0 1 1 2147483647");
    CammerSingleton back(0);
    ASSERT_TRUE(back.LoadWithMasks(nullptr));
    EXPECT_TRUE(back == m);
    EXPECT_EQ(back.circles[1][0].radius, 65535);

    // an outer radius dragged past 16 bits is saved at the largest one the row can hold
    m.circles[1][0].radius = 70000;
    ASSERT_TRUE(m.SaveDatatoFile());
    ASSERT_TRUE(back.LoadWithMasks(nullptr));
    EXPECT_EQ(back.circles[1][0].radius, 65535);
    EXPECT_EQ(back.circles[1][0].innerRadius, 32767);
}

TEST_F(RegionModelTest, OutputNumberIsSharedByTheStagesAndTheLaterRowWins)
{
    put("detect0", "1");
    put("detect1", "1");
    put("ROI0-0", "0 0 0 0 1 2 0 10 10 90 90");
    put("ROI1-0", "0 0 0 0 1 3 0 10 10 90 90");
    CammerSingleton m(0);
    ASSERT_TRUE(m.LoadWithMasks(nullptr));
    EXPECT_EQ(m.outputNo[0], 3);
    ASSERT_TRUE(m.SaveDatatoFile());
    EXPECT_EQ(rows().value("ROI0-0"), "0 0 0 0 1 3 0 10 10 90 90");
}

TEST_F(RegionModelTest, AFailedSaveWritesNothing)
{
    CammerSingleton m(0);
    fill(m);
    ASSERT_TRUE(m.SaveDatatoFile());
    const auto before = rows();
    QSqlQuery q(QSqlDatabase::database("dbIn"));
    ASSERT_TRUE(q.exec("CREATE TRIGGER refuse BEFORE DELETE ON cammer0 WHEN OLD.name = 'ROI2-0' "
                       "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    reports.clear();
    m.param1[0][0] = 99;
    m.roiNum[2] = 0;  // deleting ROI2-0 fails after the stage 0 rows were written
    EXPECT_FALSE(m.SaveDatatoFile());
    EXPECT_EQ(rows(), before);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(RegionModelTest, CopyAndCompareFollowWhatIsInUse)
{
    CammerSingleton a(0);
    fill(a);
    CammerSingleton b(0);
    b = a;
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.polygons[0][2].points.constData(), b.polygons[0][2].points.constData());

    // unused capacity does not count
    b.param1[0][10] = 1234;                      // beyond the stage's count
    b.circles[0][0].radius = 9;                  // region 0 is a rectangle
    b.polygons[0][2].points.append(QPoint(1, 1)); // beyond pointNum
    b.outputNo[40] = 3;                          // no stage uses region 40
    EXPECT_TRUE(a == b);

    // every part in use does
    auto differs = [&](auto change) {
        CammerSingleton c = a;
        change(c);
        return !(c == a);
    };
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.roiNum[5] = 1; }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.cavity[7][7] = 2; }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.param3[0][2] = 0; }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.method[2][0] = 8; }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.outputNo[1] = 0; }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.rects[0][0].rect.setLeft(11); }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.circles[0][1].innerRadius = 3; }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.polygons[0][2].points[1] = QPoint(1, 1); }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.rects[2][0].SetSelected(true); }));
    EXPECT_TRUE(differs([](CammerSingleton& c) { c.camera = 1; }));
    // the edit copy changed, the original not
    CammerSingleton c = a;
    c.polygons[0][2].points[0] = QPoint(401, 400);
    EXPECT_EQ(a.polygons[0][2].points[0], QPoint(400, 400));
}
