// The real program fed real photographs by the camera simulator, with a similarity region on a
// plain part of the picture (a sky of grey sd 2.5) at the default minimum score: the unchanged
// scene under sensor noise passes, a real object over half the region stops the machine.
#include <gtest/gtest.h>

#include <QThread>

#include "common/cyclerig.h"
#include "common/photoset.h"
#include "common/programdir.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammersingleton.h"

TEST(SimilarityE2E, PlainRealSurfacePassesUnderNoiseAndFailsWithAnObjectOverHalf)
{
    ProgramDir dir;
    CycleRig rig(dir.path());
    photos::Set set;
    ASSERT_TRUE(photos::load(sourceDir().toStdString() + "/tests/data/photos", 1024, 768, set));
    // The plain region of the most texture below the backdrop: the one the old score failed first.
    const photos::Region* plain = nullptr;
    for (const photos::Region& r : set.plain)
        if (r.sd < 3 && (!plain || r.sd > plain->sd))
            plain = &r;
    ASSERT_NE(plain, nullptr);
    const cv::Rect region = plain->rect;

    CycleRigSetup s;
    s.width = 1024;
    s.height = 768;
    s.scene = set.picture;
    s.adjust = [](WizardPara& p) { p.enable_similarity_detect = 1; };
    s.adjustRegions = [&](CammerSingleton& m) {
        m.method[0][0] = 6;
        m.param1[0][0] = 0;
        m.param2[0][0] = 80;
        m.param3[0][0] = 0;
        // Display rectangle whose image rectangle is the region (the editor's scale).
        m.rects[0][0].rect = QRect(qRound(region.x * gShowAW), qRound(region.y * gShowAH),
                                   qRound(region.width * gShowAW), qRound(region.height * gShowAH));
        m.rects[0][0].setImageRect();
    };
    ASSERT_TRUE(rig.Prepare(s));
    ASSERT_TRUE(rig.Show(1, photos::noise(set.picture, 2, 77)));
    ASSERT_GE(rig.Launch(), 0) << rig.Log().toStdString();
    QThread::msleep(500);

    // OK: the ejector is released when stage 0 is judged, without the alarm.
    const qint64 edge = rig.Pulse(0);
    ASSERT_GE(edge, 0);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge, 0b000) >= 0; }, 5000)) << rig.Seen(edge).toStdString();
    EXPECT_GE(rig.ChangeTo(edge, 0b001), 0) << rig.Seen(edge).toStdString();
    EXPECT_LT(rig.ChangeTo(edge, 0b111), 0) << rig.Seen(edge).toStdString();

    // NG: the coffee cup over the left half of the region holds the alarm.
    ASSERT_TRUE(rig.Show(1, photos::covered(photos::noise(set.picture, 2, 78), region, photos::Part::LeftHalf,
                                            set.objects[1], cv::Point(40, 30))));
    QThread::msleep(400);
    const qint64 edge2 = rig.Pulse(0);
    ASSERT_GE(edge2, 0);
    EXPECT_TRUE(rig.WaitFor([&] { return rig.ChangeTo(edge2, 0b111) >= 0; }, 4000)) << rig.Seen(edge2).toStdString();
    rig.Stop();
}
