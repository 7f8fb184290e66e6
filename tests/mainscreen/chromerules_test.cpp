// Decisions of the main screen's chrome: lamp pictures, the I/O status pass per I/O mode, the
// side panel's lists and snapshot buttons, and the check of a camera assignment.
#include <gtest/gtest.h>

#include <QVector>

#include "core/uitexttable.h"
#include "mainscreen/chromerules.h"
#include "vision/camera/cameradiscovery.h"

namespace {

struct Lamp {
    int io, index, state;
    bool operator==(const Lamp& o) const { return io == o.io && index == o.index && state == o.state; }
};

// One status pass over fixed input and output words; returns the lamps set, in order.
QVector<Lamp> Pass(int mode, const int trig[8], unsigned in, unsigned out, int* out2 = nullptr)
{
    QVector<Lamp> lamps;
    const int r = refreshIOLamps(
        mode, trig, [&](int kind, int n) { return int(((kind == 0 ? in : out) >> n) & 1u); },
        [&](int io, int index, int state) { lamps.append({io, index, state}); });
    if (out2)
        *out2 = r;
    return lamps;
}

class ChromeText : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data_Init();
        saved = gLan;
    }
    void TearDown() override { gLan = saved; }
    int saved = 0;
};

}  // namespace

TEST(ChromeRules, LampPictures)
{
    EXPECT_EQ(lampPictureNumber(0, 0, 5), 18);  // any non-zero state is on
    EXPECT_EQ(lampPictureNumber(0, 0, 0), 19);
    EXPECT_EQ(lampPictureNumber(0, 3, 1), 24);
    EXPECT_EQ(lampPictureNumber(1, 0, 1), 26);
    EXPECT_EQ(lampPictureNumber(1, 3, 0), 33);
}

TEST(ChromeRules, StatusPassSetsAllInputsOutsideMode4)
{
    const int trig[8] = {0, 1, -1, -1, -1, -1, -1, -1};
    for (int mode : {0, 1, 2, 3, 5}) {
        int out2 = -1;
        // Inputs 1 and 3 active, outputs 2 and 3 (indexes 1 and 2) set.
        const QVector<Lamp> got = Pass(mode, trig, 0b0101, 0b0110, &out2);
        const QVector<Lamp> want = {{0, 0, 1}, {0, 1, 0}, {0, 2, 1}, {0, 3, 0},
                                    {1, 0, 0}, {1, 1, 1}, {1, 2, 1}, {1, 3, 0}};
        EXPECT_EQ(got, want) << mode;
        EXPECT_EQ(out2, 1);
        EXPECT_EQ(ioOutputPictureX(mode), 472);
    }
}

TEST(ChromeRules, StatusPassInMode4TouchesOnlyTriggerInputs)
{
    // Every stage triggered from input 2 (number 1): only the second input lamp changes.
    const int fromTwo[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    QVector<Lamp> got = Pass(4, fromTwo, 0xF, 0x0);
    QVector<Lamp> want = {{0, 1, 1}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(ioOutputPictureX(4), 157);

    // 255 (a pair's own inputs), -1 (none) and inputs beyond the four lamps set no lamp.
    const int special[8] = {255, -1, 9, 4, 3, 255, -1, 10};
    got = Pass(4, special, 0x8, 0x8);
    want = {{0, 3, 1}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {1, 3, 1}};
    EXPECT_EQ(got, want);
}

TEST(ChromeRules, SnapshotButtons)
{
    // Snapshot option on, product detection off, I/O mode 0: only the mould snapshot.
    SnapshotButtons v = snapshotVisibility(1, 0, 0);
    EXPECT_FALSE(v.pro);
    EXPECT_TRUE(v.mold);
    v = snapshotVisibility(1, 1, 0);
    EXPECT_TRUE(v.pro && v.mold);
    v = snapshotVisibility(1, 1, 4);
    EXPECT_FALSE(v.pro || v.mold);
    v = snapshotVisibility(0, 1, 0);
    EXPECT_FALSE(v.pro || v.mold);
}

TEST(ChromeRules, AssignmentDuplicatesAreRefused)
{
    const int three[8] = {1, 1, 0};
    AssignmentVerdict v = checkAssignment(three, 3, CAMERA_HIK);
    EXPECT_EQ(v.kind, AssignmentVerdict::Duplicate);
    EXPECT_EQ(v.slot, 1);  // shown as number 2
    // The first repeated pair wins: views 0 and 2 before views 1 and 3.
    const int four[8] = {2, 3, 2, 3};
    v = checkAssignment(four, 4, CAMERA_IDS);
    EXPECT_EQ(v.kind, AssignmentVerdict::Duplicate);
    EXPECT_EQ(v.slot, 2);
    // A duplicate is refused whatever the make.
    EXPECT_EQ(checkAssignment(three, 3, CAMERA_DAHENG).kind, AssignmentVerdict::Duplicate);
    // Only the present cameras count.
    const int tail[8] = {1, 0, 0, 0};
    EXPECT_EQ(checkAssignment(tail, 2, CAMERA_MIND).kind, AssignmentVerdict::Store);
}

TEST(ChromeRules, AssignmentNeedsAMakeWhoseSerialsCanBeStored)
{
    const int swapped[8] = {1, 0};
    const int same[8] = {0, 1};
    for (int make : {CAMERA_IDS, CAMERA_MIND, CAMERA_HIK}) {
        EXPECT_EQ(checkAssignment(swapped, 2, make).kind, AssignmentVerdict::Store) << make;
        EXPECT_EQ(checkAssignment(same, 2, make).kind, AssignmentVerdict::Store) << make;
    }
    for (int make : {CAMERA_NONE, CAMERA_DAHENG, CAMERA_V4L2}) {
        EXPECT_EQ(checkAssignment(swapped, 2, make).kind, AssignmentVerdict::NotStorable) << make;
        EXPECT_EQ(checkAssignment(same, 2, make).kind, AssignmentVerdict::CloseOnly) << make;
    }
    // One camera never warns of a repeat.
    const int one[8] = {0};
    EXPECT_EQ(checkAssignment(one, 1, CAMERA_HIK).kind, AssignmentVerdict::Store);
    EXPECT_EQ(checkAssignment(one, 1, CAMERA_DAHENG).kind, AssignmentVerdict::CloseOnly);
}

TEST_F(ChromeText, ListsFollowTheCounts)
{
    gLan = 1;
    EXPECT_EQ(stageChoiceTexts(2), QStringList({"1st", "2nd"}));
    EXPECT_EQ(stageChoiceTexts(8).size(), 8);
    EXPECT_EQ(stageChoiceTexts(8).last(), gaLanStr[484 * 3 + 1]);
    EXPECT_TRUE(stageChoiceTexts(0).isEmpty());
    EXPECT_EQ(stageChoiceTexts(12).size(), 8);
    EXPECT_EQ(cameraChoiceTexts(3), QStringList({"NO.1", "NO.2", "NO.3"}));
    gLan = 0;
    EXPECT_EQ(stageChoiceTexts(2), QStringList({"一次", "二次"}));
    EXPECT_EQ(cameraChoiceTexts(1), QStringList({"1  号"}));
}

TEST_F(ChromeText, UnstorableOrderWarningInEveryLanguage)
{
    EXPECT_EQ(gaLanStr[592 * 3 + 0].toUtf8(), QByteArray("此相机品牌无法保存相机顺序，请恢复原顺序!"));
    EXPECT_EQ(gaLanStr[592 * 3 + 1].toUtf8(),
              QByteArray("The camera order cannot be saved for this camera make, please restore the original order!"));
    EXPECT_EQ(gaLanStr[592 * 3 + 2].toUtf8(), QByteArray("此相機品牌無法保存相機順序，請恢復原順序!"));
}
