// Views built together at start-up load their templates and train their engines at once: every
// view ends with its own templates and the verdicts a view built alone gives.
#include "viewfixture.h"

#include <QDir>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "vision/inspection/cammerrecongnize.h"

namespace {

constexpr int kViews = 4;

class StartUpBatchTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        gFindCamera = kViews;  // views 0..3 open (no camera make)
        para.stage_enabled[0] = para.stage_enabled[1] = 1;
        para.enable_correct = -1;
        UseParameters();
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dbIn");
        db.setDatabaseName(dir->file("PARAM.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("PRAGMA synchronous=OFF"));
        for (int c = 0; c < 8; ++c)
            ASSERT_TRUE(q.exec(QString("CREATE TABLE cammer%1(name TEXT, value TEXT)").arg(c)));
        for (int v = 0; v < kViews; ++v) {
            CammerSingleton m(v);
            for (int s = 0; s < 2; ++s) {
                m.roiNum[s] = 3;
                for (int r = 0; r < 3; ++r) {
                    m.shapeType[s][r] = 1;
                    m.method[s][r] = 0;
                    m.param1[s][r] = 2;
                    m.param2[s][r] = 20 + 5 * v;
                    m.param3[s][r] = 100;
                    const QRect img(40 + 180 * r, 60 + 40 * s, 120, 200);
                    m.rects[s][r].rect = QRect(qRound(img.x() * gShowAW), qRound(img.y() * gShowAH),
                                               qRound(img.width() * gShowAW), qRound(img.height() * gShowAH));
                    m.rects[s][r].setImageRect();
                }
                // Each view and stage its own templates: a ramp with a view-dependent slope.
                const QString folder = QString("cammer%1%2").arg(v + 1).arg(s + 1);
                QDir().mkpath(folder);
                for (int t = 0; t < 2; ++t) {
                    QImage img(gImageW, gImageH, QImage::Format_Grayscale8);
                    for (int y = 0; y < gImageH; ++y)
                        for (int x = 0; x < gImageW; ++x)
                            img.scanLine(y)[x] = uchar(60 + (x * (v + 1) + y * (s + 1) + 7 * t) % 120);
                    ASSERT_TRUE(img.save(QString("%1/template%2.bmp").arg(folder).arg(t)));
                }
            }
            ASSERT_TRUE(m.SaveDatatoFile());
        }
    }
    void TearDown() override
    {
        views.clear();
        QSqlDatabase::database("dbIn").close();
        QSqlDatabase::removeDatabase("dbIn");
        ViewTest::TearDown();
    }

    // What each view judges of the same frames: the template bytes, then per stage the verdict
    // and every region's value on view 0's template with a bright spot in region 1.
    std::vector<std::vector<int>> Outcome()
    {
        std::vector<std::vector<int>> out;
        for (int v = 0; v < kViews; ++v) {
            CammerWidget* w = V(v);
            std::vector<int> o;
            EXPECT_NE(w->recogniser, nullptr);
            if (!w->recogniser)
                return out;
            for (int s = 0; s < 2; ++s) {
                o.push_back(w->tempCount[s]);
                for (int t = 0; t < 2; ++t)
                    o.push_back(w->templates[s][size_t(t)][size_t(gImageW) * 100 + 50 + 10 * t]);
                // Its own template passes whole.
                std::memcpy(w->frameCorrected, w->templates[s][1], size_t(gImageLen));
                w->recogniser->Run(s);
                o.push_back(w->isOK);
                std::memcpy(w->frameCorrected, V(0)->templates[s][0], size_t(gImageLen));
                for (int y = 150; y < 170; ++y)
                    std::memset(w->frameCorrected + size_t(y) * gImageW + 260, 255, 30);
                w->recogniser->Run(s);
                o.push_back(w->isOK);
                for (int r = 0; r < 3; ++r)
                    o.insert(o.end(), {w->roiOK[s][r], w->roiValue[s][r]});
            }
            out.push_back(o);
        }
        return out;
    }
};

}  // namespace

TEST_F(StartUpBatchTest, ViewsBuiltTogetherJudgeAsViewsBuiltOneByOne)
{
    MakeViews(kViews);
    const auto alone = Outcome();
    views.clear();
    {
        CammerWidget::StartUpBatch batch;
        MakeViews(kViews);
    }
    const auto together = Outcome();
    ASSERT_EQ(alone.size(), size_t(kViews));
    EXPECT_EQ(alone, together);
    // The views differ from each other (their own templates and thresholds), and view 0 sees the
    // spot on its own template.
    EXPECT_NE(together[0], together[1]);
    for (int v = 0; v < kViews; ++v) {
        SCOPED_TRACE(v);
        EXPECT_EQ(together[v][0], 2) << "templates of stage 0";
        EXPECT_EQ(together[v][3], 1) << "own template: OK";
    }
    // View 0, stage 0: only region 1 holds the spot.
    const std::vector<int> v0(together[0].begin() + 4, together[0].begin() + 11);
    EXPECT_EQ(v0[0], 0);
    EXPECT_EQ(v0[1], 1);
    EXPECT_EQ(v0[3], 0);
    EXPECT_GT(v0[4], 0);
    EXPECT_EQ(v0[5], 1);
}
