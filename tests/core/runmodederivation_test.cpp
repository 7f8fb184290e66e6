#include <gtest/gtest.h>

#include <QList>
#include <QPair>

#include "core/uitexttable.h"
#include "core/parameterstore.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "paramdb.h"

namespace {

class RunMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        gLan = 1;
        gRunModeHooks = RunModeHooks();
        gRunModeHooks.setSide = [this](int s) { side = s; };
        gDNum = -1;
        p.output_polarity[8] = 5;
    }
    void TearDown() override
    {
        gRunModeHooks = RunModeHooks();
        gLan = 0;
    }
    void expectStages(std::initializer_list<int> enabled, std::initializer_list<int> triggers)
    {
        int i = 0;
        for (int e : enabled) {
            EXPECT_EQ(p.stage_enabled[i], e) << "stage " << i;
            ++i;
        }
        i = 0;
        for (int t : triggers) {
            EXPECT_EQ(p.stage_trigger_input[i], t) << "stage " << i;
            ++i;
        }
    }
    WizardPara p;
    int side = -7;   // untouched marker
};

} // namespace

TEST_F(RunMode, StandardModesUseOneStagePair)
{
    for (int mode : {0, 3, 5}) {
        p = WizardPara();
        p.output_polarity[8] = 5;
        p.io_mode = mode;
        p.first_stage_on = 0;
        p.semi_auto = 1;
        p.front_auto_check_time = 4;
        DeriveRunMode(p);
        EXPECT_EQ(gDNum, 2);
        EXPECT_EQ(p.stage_slots, 4);
        expectStages({0, 1}, {0, 2});
        for (int o = 4; o <= 7; ++o)
            EXPECT_EQ(p.output_polarity[o], 1) << o;
        EXPECT_EQ(p.output_polarity[8], 5);
        EXPECT_EQ(p.front_auto_check_time, mode == 5 ? 0 : 4);
        EXPECT_EQ(side, -7);
    }
    p = WizardPara();
    p.first_stage_on = 3;
    p.enable_stop_not_alarm = 1;
    p.output_polarity[5] = 1;
    DeriveRunMode(p);
    expectStages({1, 1}, {0, 0});
    for (int o = 4; o <= 7; ++o)
        EXPECT_EQ(p.output_polarity[o], 0) << o;
}

TEST_F(RunMode, TwoColourAndTurntablePickTheirStagePairs)
{
    struct Case {
        int mode, sub, e, s;
        QList<int> enabled, triggers;
        int side;
    };
    const QList<Case> cases = {
        {1, 0, 1, 1, {1, 1, 0, 0}, {0, 2}, 1},
        {1, 0, 0, 0, {0, 1, 0, 0}, {0, 2}, 1},
        {1, 1, 1, 1, {0, 0, 1, 1}, {0, 3}, 0},
        {1, 2, 1, 0, {1, 1, 1, 1}, {0, 255}, -7},
        {1, 3, 0, 1, {0, 1, 0, 1}, {0, 255}, -7},
        {2, 0, 1, 0, {1, 1, 0, 0}, {0, 0}, 1},
        {2, 0, 1, 1, {1, 1, 0, 0}, {0, 2}, 1},
        {2, 1, 0, 0, {0, 0, 0, 1}, {3, 3}, 0},
        {2, 1, 1, 1, {0, 0, 1, 1}, {3, 2}, 0},
        {2, 2, 1, 0, {1, 1, 1, 1}, {255, 255}, -7},
        {2, 3, 1, 1, {1, 1, 1, 1}, {255, 2}, -7},
    };
    for (const Case& c : cases) {
        p = WizardPara();
        for (int i = 0; i < 8; ++i) {
            p.stage_enabled[i] = 9;
            p.stage_trigger_input[i] = 9;
        }
        side = -7;
        p.io_mode = c.mode;
        p.io_sub_mode = c.sub;
        p.first_stage_on = c.e;
        p.semi_auto = c.s;
        DeriveRunMode(p);
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " sub " << c.sub << " E " << c.e << " S " << c.s);
        EXPECT_EQ(gDNum, 4);
        EXPECT_EQ(p.stage_slots, 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(p.stage_enabled[i], c.enabled[i]) << i;
        EXPECT_EQ(p.stage_trigger_input[0], c.triggers[0]);
        EXPECT_EQ(p.stage_trigger_input[1], c.triggers[1]);
        // Entries the mode does not name keep their values.
        EXPECT_EQ(p.stage_enabled[4], 9);
        EXPECT_EQ(p.stage_trigger_input[2], 9);
        EXPECT_EQ(side, c.side);
    }
}

TEST_F(RunMode, SubModeOutOfRangeBecomesZeroAndIsSavedSo)
{
    ParamDb db;
    ASSERT_TRUE(db.ok);
    db.setRow("numFailDetect", "1 7 0 0 0 0 0 0");
    WizardPara q;
    q.LoadDatafromFile();
    EXPECT_EQ(q.io_sub_mode, 0);
    EXPECT_EQ(side, 1);
    ASSERT_TRUE(q.SaveDatatoFile());
    EXPECT_EQ(db.row("numFailDetect"), "1 0 0 0 0 0 0 0");
    q.io_sub_mode = -1;   // above 3 as unsigned
    DeriveRunMode(q);
    EXPECT_EQ(q.io_sub_mode, 0);
}

TEST_F(RunMode, MultiDetectionWiresEachStageFromItsSource)
{
    QList<QPair<int, int>> trained;
    gRunModeHooks.cameraCount = [] { return 2; };
    gRunModeHooks.trainStage = [&trained](int c, int d) { trained.append({c, d}); };
    p.io_mode = 4;
    p.first_stage_on = 1;
    p.stage_count = 3;
    const int sources[8] = {0, -1, 2, 5, 1, 1, 1, 1};
    for (int i = 0; i < 8; ++i) {
        p.stage_source[i] = sources[i];
        p.stage_input_choice[i] = (i + 1) % 8;
        p.stage_source_in_force[i] = 42;
    }
    DeriveRunMode(p);
    EXPECT_EQ(gDNum, 3);
    EXPECT_EQ(p.stage_slots, 3);
    expectStages({1, 0, 1, 0, 0, 0, 0, 0}, {TriginNo[1] - 1, -1, TriginNo[3] - 1, -1, -1, -1, -1, -1});
    EXPECT_EQ(p.stage_trigger_input[0], 2);
    EXPECT_EQ(p.stage_trigger_input[2], 4);
    EXPECT_EQ(p.stage_source_in_force[0], 0);
    EXPECT_EQ(p.stage_source_in_force[1], -1);
    EXPECT_EQ(p.stage_source_in_force[2], 2);
    EXPECT_EQ(p.stage_source_in_force[3], 42);   // beyond the stage count: left as it was
    EXPECT_EQ(trained, (QList<QPair<int, int>>{{0, 0}, {0, 2}, {1, 0}, {1, 2}}));
    EXPECT_EQ(side, -7);

    // Without the first-stage switch stage 1 is never inspected.
    p.first_stage_on = 0;
    trained.clear();
    DeriveRunMode(p);
    EXPECT_EQ(p.stage_enabled[0], 0);
    EXPECT_EQ(p.stage_trigger_input[0], -1);
    EXPECT_EQ(trained, (QList<QPair<int, int>>{{0, 2}, {1, 2}}));
}

TEST_F(RunMode, MultiDetectionIndicesOutOfRangeLeaveTheStageUnused)
{
    p.io_mode = 4;
    p.first_stage_on = 1;
    p.stage_count = 8;
    const int sources[8] = {8, -2, 0, 1, 2, 3, 4, 7};
    for (int i = 0; i < 8; ++i)
        p.stage_source[i] = sources[i];
    p.stage_input_choice[0] = 8;
    p.stage_input_choice[1] = -1;
    p.stage_input_choice[2] = 7;
    p.stage_input_choice[7] = 0;
    DeriveRunMode(p);
    expectStages({0, 0, 0, 0, 1, 1, 1, 1}, {-1, -1, -1, -1, TriginNo[7] - 1, 0, 0, 0});
    EXPECT_EQ(p.stage_source_in_force[0], -1);
    EXPECT_EQ(p.stage_source_in_force[1], -1);
}

TEST_F(RunMode, DisplayNamesFollowTheMode)
{
    const QList<QPair<int, QList<int>>> rows = {
        {0, {301, 302, 303, 304, 305, 306, 307, 304}},
        {3, {301, 302, 303, 304, 305, 306, 307, 304}},
        {5, {301, 302, 303, 304, 305, 306, 307, 304}},
        {1, {301, 302, 376, 377, 305, 378, 307, 304}},
        {2, {379, 380, 381, 382, 378, 306, 307, 304}},
    };
    static bool filled = false;
    if (!filled) {
        Data_Init();
        filled = true;
    }
    for (const auto& m : rows) {
        p.io_mode = m.first;
        FillDisplayNamesByMode(p);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(gaName[i], gaLanStr[m.second[i] * 3 + gLan]) << "mode " << m.first << " entry " << i;
    }
    p.io_mode = 2;
    FillDisplayNamesByMode(p);
    EXPECT_EQ(gaName[0], "Shift left");
    EXPECT_EQ(gaName[4], "Transfer mold");
    EXPECT_EQ(gaName[7], "RSV");
    p.io_mode = 1;
    FillDisplayNamesByMode(p);
    EXPECT_EQ(gaName[0], "Open");
    EXPECT_EQ(gaName[3], "Right mold");
    gLan = 2;
    FillDisplayNamesByMode(p);
    EXPECT_FALSE(gaName[1].isEmpty());
    EXPECT_NE(gaName[1], "Safety");
}

TEST_F(RunMode, MultiDetectionNamesEveryTerminal)
{
    p.io_mode = 4;
    for (int i = 0; i < 8; ++i) {
        p.input_name_choice[i] = 15 - i;
        p.output_name_choice[i] = 13 - i;
    }
    p.input_name_choice[7] = 16;    // out of range: no name
    p.output_name_choice[7] = -1;
    for (int lan = 0; lan < 3; ++lan) {
        gLan = lan;
        FillDisplayNamesByMode(p);
        EXPECT_EQ(gaName[0], gInName[15 * 3 + lan]);
        EXPECT_EQ(gaName[1], gaLanStr[302 * 3 + gLan]);
        for (int i = 1; i < 7; ++i)
            EXPECT_EQ(gaName[1 + i], gInName[(15 - i) * 3 + lan]) << i;
        EXPECT_EQ(gaName[8], "");
        EXPECT_EQ(gaName[9], gOutName[13 * 3 + lan]);
        EXPECT_EQ(gaName[10], gOutName[12 * 3 + lan]);
        EXPECT_EQ(gaName[11], gaLanStr[307 * 3 + gLan]);
        for (int o = 2; o < 7; ++o)
            EXPECT_EQ(gaName[10 + o], gOutName[(13 - o) * 3 + lan]) << o;
        EXPECT_EQ(gaName[17], "");
    }
    gLan = 1;
    FillDisplayNamesByMode(p);
    EXPECT_EQ(gaName[0], "Neu C O");
    EXPECT_EQ(gaName[9], "Mac mov");
    gLan = 2;
    EXPECT_EQ(InputSignalName(0), QString("開模到位"));
    EXPECT_EQ(OutputSignalName(8), QString("允許絞牙"));
    gLan = 0;
    EXPECT_EQ(InputSignalName(10), QString("中子A进"));
}

TEST_F(RunMode, ConstantTables)
{
    EXPECT_EQ(QList<int>(std::begin(TriginNo), std::end(TriginNo)), (QList<int>{1, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(QList<int>(std::begin(OutputNo), std::end(OutputNo)), (QList<int>{2, 4, 5, 6, 7, 8, 9, 1}));
    for (const QString& n : gInName)
        EXPECT_FALSE(n.isEmpty());
    for (const QString& n : gOutName)
        EXPECT_FALSE(n.isEmpty());
}
