// The decisions of accepting the settings, without widgets: the record text of every kind of
// change in the three languages, the cameras the tuning changed, the I/O mode step per mode and the
// positioning-shape and training plan.
#include <gtest/gtest.h>

#include <cstring>

#include <QStringList>

#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/settingschange.h"

namespace {

class TextTable : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool loaded = false;
        if (!loaded)
            Data_Init();
        loaded = true;
    }
    void SetUp() override
    {
        std::memset(&old, 0, sizeof old);
        old.enable_correct = 0;
        edited = old;
    }
    WizardPara old;
    WizardPara edited;
};

// Every call the accept steps make on the engine, as text.
class RecordingEngine : public SettingsEngine {
public:
    int cameras = 2;
    QStringList calls;
    int cameraCount() const override { return cameras; }
    void createShape(int c, int s) override { calls << QString("shape %1 %2").arg(c).arg(s); }
    void varTrain(int c, int s) override { calls << QString("train %1 %2").arg(c).arg(s); }
    void copyPara(int c) override { calls << QString("copy %1").arg(c); }
    void changeDetectNum(int n) override { calls << QString("count %1").arg(n); }
    void resetStages(int n, const WizardPara&) override { calls << QString("reset %1").arg(n); }
    void setSide(int s) override { calls << QString("side %1").arg(s); }
};

}  // namespace

using ChangeText = TextTable;

TEST_F(ChangeText, ThePartsExampleByteForByteInEachLanguage)
{
    old.stage_delay[0] = 5;
    edited.stage_delay[0] = 12;
    edited.semi_auto = 1;
    EXPECT_EQ(SettingsChangeText(old, edited, 1),
              "Modify the system parameters, The time delay for detection Prodis changed from 5 to 12, Semiauto is "
              "changed to active");
    EXPECT_EQ(SettingsChangeText(old, edited, 0), QString::fromUtf8("修改了系统参数，成品延时从5改为12，半自动 改为启用"));
    EXPECT_EQ(SettingsChangeText(old, edited, 2), QString::fromUtf8("修改了系統參數，成品延時從5改為12，半自動 改為啟用"));
}

TEST_F(ChangeText, EachKindOfLine)
{
    struct Case {
        void (*change)(WizardPara&);
        const char* en;
        const char* zh;
    };
    const Case cases[] = {
        // from: raw stored values, tenths stay tenths
        {[](WizardPara& p) { p.capture_speed = 7; }, ", Speed is changed from 0 to 7", "，采集速度从0改为7"},
        {[](WizardPara& p) { p.io_sub_mode = 2; }, ", Cavity position is changed from 0 to 2", "，模腔位置从0改为2"},
        // the two own formats, both labelled by the mould text
        {[](WizardPara& p) { p.stage_delay[1] = 30; }, ", The time delay for detection Moldis changed from 0 to 30",
         "，模腔延时从0改为30"},
        {[](WizardPara& p) { p.front_auto_check_time = 3; },
         ", The automatic redetecting times for detection Mold is changed from 0 to 3", "，模腔检测自动重检次数从0改为3"},
        // switch, and its inverted form for motion correction (stored 0 = on)
        {[](WizardPara& p) { p.is_psw_used = 1; }, ", Enable Password is changed to active", "，启用密码保护 改为启用"},
        {[](WizardPara& p) { p.enable_correct = -1; }, ", Motion correcte is changed to deactive", "，运动矫正 改为不用"},
        // the clamp switch's own texts
        {[](WizardPara& p) { p.enable_stop_mold = 1; }, ", Stop clamping when stopping detection is changed to Prohibit to clamp",
         "，停止检测时禁止合模 改为禁止合模"},
        // camera lines: number, then the rows' own spacing (237 and 246 end in a blank)
        {[](WizardPara& p) { p.exposure[2] = 40; }, ", The exposure time of camera 3is changed from 0 to 40 ",
         "，3号相机曝光时间从0改为40"},
        {[](WizardPara& p) { p.sharpness[7] = 9; }, ", the clarity of camera 8 is changed from 0 to 9 ", "，8号相机清晰度从0改为9"},
        {[](WizardPara& p) { p.gamma[0] = 120; }, ", the Gamma of camera 1 is changed from 0 to 120", "，1号相机Gamma从0改为120"},
        // the password: row 249 at the very end
        {[](WizardPara& p) { std::strcpy(p.password, "abc"); }, ", the password has been modified", "，密码已被修改"},
    };
    for (const Case& c : cases) {
        WizardPara e = old;
        c.change(e);
        EXPECT_EQ(SettingsChangeText(old, e, 1), "Modify the system parameters" + QString::fromUtf8(c.en));
        EXPECT_EQ(SettingsChangeText(old, e, 0), QString::fromUtf8("修改了系统参数") + QString::fromUtf8(c.zh));
    }
    // Switched back on, motion correction reads "active"; the clamp switch off reads row 253.
    old.enable_correct = -1;
    old.enable_stop_mold = 1;
    edited = old;
    edited.enable_correct = 0;
    edited.enable_stop_mold = 0;
    EXPECT_EQ(SettingsChangeText(old, edited, 2),
              QString::fromUtf8("修改了系統參數，運動矯正 改為啟用，停止檢測時禁止合模 改為允許合模"));
}

TEST_F(ChangeText, OrderFollowsTheTableAndUnrecordedFieldsStaySilent)
{
    edited.is_psw_used = 1;          // last row
    edited.gain[1] = 20;             // camera lines, after the first ten rows
    edited.minimum_size = 4;         // row 4
    std::strcpy(edited.password, "x");
    edited.io_mode_chosen = 4;       // not recorded
    edited.enable_direction_detect = 1;
    edited.input_name_choice[0] = 7;
    EXPECT_EQ(SettingsChangeText(old, edited, 1),
              "Modify the system parameters, filter Size is changed from 0 to 4, The gain of camera 2 is changed "
              "from 0 to 20, Enable Password is changed to active, the password has been modified");
}

TEST_F(TextTable, TunedCamerasFlagOnlyWhatDiffers)
{
    edited.gain[3] = 10;
    edited.gamma[7] = 1;
    TunedCameras t = TunedCameraValues(old, edited);
    EXPECT_TRUE(t.gain[3]);
    EXPECT_TRUE(t.gamma[7]);
    EXPECT_FALSE(t.exposure[3]);
    EXPECT_FALSE(t.gain[2]);
    // A changed exposure mode re-applies every camera's exposure.
    edited.auto_wdr = 2;
    t = TunedCameraValues(old, edited);
    for (bool e : t.exposure)
        EXPECT_TRUE(e);
    EXPECT_FALSE(TunedCameraValues(old, old).any());
}

// The I/O mode step on the edit copy, the load derivation reused.
class IoMode : public TextTable {
protected:
    void SetUp() override
    {
        TextTable::SetUp();
        savedDNum = gDNum;
        gDNum = 2;
        edited.first_stage_on = 1;
    }
    void TearDown() override { gDNum = savedDNum; }
    int savedDNum = 2;
    RecordingEngine engine;
};

TEST_F(IoMode, StandardLikeModesTakeEffectAtOnce)
{
    for (int m : {0, 3, 5}) {
        WizardPara e = edited;
        e.io_mode_chosen = m;
        e.semi_auto = 1;
        e.enable_stop_not_alarm = 1;
        e.front_auto_check_time = 4;
        e.stage_slots = 7;
        engine.calls.clear();
        EXPECT_FALSE(IoModeStep(e, 0, engine));
        EXPECT_EQ(e.io_mode, m);
        EXPECT_EQ(e.stage_slots, 4);
        EXPECT_EQ(gDNum, 2);
        EXPECT_EQ(e.stage_enabled[0], 1);
        EXPECT_EQ(e.stage_enabled[1], 1);
        EXPECT_EQ(e.stage_trigger_input[0], 0);
        EXPECT_EQ(e.stage_trigger_input[1], 2);
        for (int o = 4; o <= 7; ++o)
            EXPECT_EQ(e.output_polarity[o], 0);
        EXPECT_EQ(e.front_auto_check_time, m == 5 ? 0 : 4);
        EXPECT_TRUE(engine.calls.isEmpty()) << m;
    }
}

TEST_F(IoMode, PairModesByCavityPosition)
{
    struct Case {
        int mode, cavity, semi;
        int en[4];
        int in0, in1, side;
    };
    const Case cases[] = {
        {1, 0, 0, {1, 1, 0, 0}, 0, 2, 1},   {2, 0, 1, {1, 1, 0, 0}, 0, 2, 1},  {2, 0, 0, {1, 1, 0, 0}, 0, 0, 1},
        {1, 1, 0, {0, 0, 1, 1}, 0, 3, 0},   {2, 1, 0, {0, 0, 1, 1}, 3, 3, 0},  {2, 1, 1, {0, 0, 1, 1}, 3, 2, 0},
        {1, 2, 0, {1, 1, 1, 1}, 0, 255, -1}, {2, 2, 1, {1, 1, 1, 1}, 255, 2, -1},
    };
    for (const Case& c : cases) {
        gDNum = 4;
        WizardPara e = edited;
        e.io_mode_chosen = c.mode;
        e.io_sub_mode = c.cavity;
        e.semi_auto = c.semi;
        engine.calls.clear();
        EXPECT_FALSE(IoModeStep(e, 1, engine));
        EXPECT_EQ(e.io_mode, c.mode);
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ(e.stage_enabled[d], c.en[d]) << c.mode << c.cavity << d;
        EXPECT_EQ(e.stage_trigger_input[0], c.in0) << c.mode << c.cavity;
        EXPECT_EQ(e.stage_trigger_input[1], c.in1) << c.mode << c.cavity;
        EXPECT_EQ(engine.calls, c.side < 0 ? QStringList() : QStringList{QString("side %1").arg(c.side)});
    }
    // Without the first stage, both pairs keep only their second stage.
    WizardPara e = edited;
    e.first_stage_on = 0;
    e.io_mode_chosen = 1;
    e.io_sub_mode = 2;
    IoModeStep(e, 1, engine);
    EXPECT_EQ(QVector<int>(e.stage_enabled, e.stage_enabled + 4), (QVector<int>{0, 1, 0, 1}));
}

TEST_F(IoMode, StandardToAndFromTwoPairsFollowsTheStageCount)
{
    // Standard -> Turntable: stages 2 and 3 join the count, and the region page and cycle follow.
    edited.io_mode_chosen = 2;
    edited.io_sub_mode = 1;
    IoModeStep(edited, 0, engine);
    EXPECT_EQ(gDNum, 4);
    EXPECT_EQ(engine.calls.mid(0, 2), (QStringList{"count 4", "reset 4"}));
    // and back: stages 2 and 3 leave the count.
    engine.calls.clear();
    edited.io_mode_chosen = 0;
    IoModeStep(edited, 2, engine);
    EXPECT_EQ(gDNum, 2);
    EXPECT_EQ(engine.calls, (QStringList{"count 2", "reset 2"}));
}

TEST_F(IoMode, MultiDetectionRederivesItsStageTable)
{
    gDNum = 3;
    edited.io_mode = 4;
    edited.io_mode_chosen = 4;
    edited.stage_count = 3;
    edited.stage_source[0] = 0;
    edited.stage_source[1] = -1;
    edited.stage_source[2] = 1;
    edited.stage_input_choice[0] = 2;  // terminal 4, input bit 3
    edited.stage_input_choice[1] = 0;  // terminal 1, input bit 0
    edited.input_name_choice[0] = 7;
    // Unchanged count: no reset, the table and the training only.
    EXPECT_FALSE(IoModeStep(edited, 4, engine));
    EXPECT_EQ(gDNum, 3);
    EXPECT_EQ(edited.stage_slots, 3);
    EXPECT_EQ(QVector<int>(edited.stage_enabled, edited.stage_enabled + 4), (QVector<int>{1, 0, 1, 0}));
    EXPECT_EQ(QVector<int>(edited.stage_trigger_input, edited.stage_trigger_input + 4), (QVector<int>{3, -1, 0, -1}));
    EXPECT_EQ(edited.stage_source_in_force[1], -1);
    EXPECT_EQ(engine.calls, (QStringList{"shape 0 0", "train 0 0", "shape 0 2", "train 0 2", "shape 1 0",
                                         "train 1 0", "shape 1 2", "train 1 2"}));
    EXPECT_EQ(gaName[0], gInName[7 * 3 + gLan]);
    // A changed count resets the region page and the cycle before the table.
    engine.calls.clear();
    edited.stage_count = 2;
    edited.first_stage_on = 0;
    IoModeStep(edited, 4, engine);
    EXPECT_EQ(gDNum, 2);
    EXPECT_EQ(engine.calls, (QStringList{"count 2", "reset 2"}));
    EXPECT_EQ(edited.stage_enabled[0], 0);
    EXPECT_EQ(edited.stage_trigger_input[2], -1);
}

TEST_F(IoMode, ToOrFromMultiDetectionIsLeftToTheNextStart)
{
    edited.io_mode_chosen = 4;
    edited.stage_count = 5;
    const WizardPara before = edited;
    EXPECT_TRUE(IoModeStep(edited, 0, engine));
    EXPECT_EQ(std::memcmp(&edited, &before, sizeof edited), 0);
    EXPECT_EQ(gDNum, 2);
    edited.io_mode_chosen = 0;
    edited.io_mode = 4;
    EXPECT_TRUE(IoModeStep(edited, 4, engine));
    EXPECT_EQ(edited.io_mode, 4);
    EXPECT_TRUE(engine.calls.isEmpty());
}

// The positioning shapes and training after the commit.
class ShapePlan : public TextTable {
protected:
    void SetUp() override
    {
        TextTable::SetUp();
        old.io_mode = edited.io_mode = 0;
        old.stage_enabled[0] = edited.stage_enabled[0] = 1;
        old.stage_enabled[1] = edited.stage_enabled[1] = 1;
        old.first_stage_on = edited.first_stage_on = 1;
    }
    QStringList Plan()
    {
        RecordingEngine e;
        ShapeTrainingPlan(AcceptSnapshot{old, edited}, edited, 2, e);
        return e.calls;
    }
};

TEST_F(ShapePlan, ReshapeRetrainOrNeither)
{
    EXPECT_TRUE(Plan().isEmpty());
    // Maximum offset: shapes only.
    edited.location_adge = 9;
    EXPECT_EQ(Plan(), (QStringList{"shape 0 0", "shape 0 1", "shape 1 0", "shape 1 1"}));
    // Two same parameters on: copy, then shapes and training of each stage.
    edited = old;
    edited.enabe_two_test = 1;
    EXPECT_EQ(Plan(), (QStringList{"copy 0", "shape 0 0", "train 0 0", "shape 0 1", "train 0 1", "copy 1", "shape 1 0",
                                   "train 1 0", "shape 1 1", "train 1 1"}));
    // The cavity position both reshapes and retrains (shaping each stage again before training).
    edited = old;
    edited.io_sub_mode = 1;
    edited.stage_enabled[1] = 0;
    EXPECT_EQ(Plan(), (QStringList{"shape 0 0", "shape 1 0", "shape 0 0", "train 0 0", "shape 1 0", "train 1 0"}));
    // Motion correction alone only reshapes; the difference multiplier alone only retrains.
    edited = old;
    edited.enable_correct = -1;
    EXPECT_EQ(Plan(), (QStringList{"shape 0 0", "shape 0 1", "shape 1 0", "shape 1 1"}));
    edited = old;
    edited.difference_multiplier = 3;
    EXPECT_EQ(Plan(), (QStringList{"train 0 0", "train 0 1", "train 1 0", "train 1 1"}));
}

TEST_F(ShapePlan, CopyOnlyWhereTheTwinStageExists)
{
    // Standard without the first stage: nothing to copy onto.
    old.enabe_two_test = 0;
    edited.enabe_two_test = 1;
    edited.first_stage_on = 0;
    EXPECT_FALSE(Plan().contains("copy 0"));
    // Two-colour copies whether or not the first stage is on.
    edited.io_mode = 1;
    EXPECT_TRUE(Plan().contains("copy 0"));
}
