// The multi-detection grid's rules without widgets: claims and their exclusion, the trigger
// cascade, the count, names, and what Confirm writes.
#include <gtest/gtest.h>

#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/iogridmodel.h"

namespace {

class IOGridModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool tableLoaded = false;
        if (!tableLoaded) {
            Data_Init();
            tableLoaded = true;
        }
        savedLan = gLan;
        gLan = 1;
        for (int i = 0; i < 8; ++i) {
            rec.stage_source[i] = -1;
            rec.stage_input_choice[i] = i;
            rec.stage_link[i] = 0;
            rec.input_name_choice[i] = i;
            rec.output_name_choice[i] = i;
        }
    }
    void TearDown() override { gLan = savedLan; }

    // The columns a row may tick, as a string of '1'/'0' over the shown columns.
    QString enabledRow(int row) const
    {
        QString s;
        for (int c = 0; c < grid.count(); ++c)
            s += grid.boxEnabled(row, c) ? '1' : '0';
        return s;
    }
    QList<int> owners() const
    {
        QList<int> o;
        for (int c = 0; c < 8; ++c)
            o << grid.owner(c);
        return o;
    }

    WizardPara rec;
    IOGridModel grid;
    int savedLan = 0;
};

TEST_F(IOGridModelTest, LoweringTheCountReleasesClaimsOutsideTheSquareRaisingKeepsTheRest)
{
    rec.stage_count = 5;
    grid.load(rec);
    grid.setBox(0, 0, true);
    grid.setBox(3, 1, true);   // a row further down may claim the next column
    grid.setBox(3, 2, true);
    grid.setBox(4, 4, true);
    ASSERT_EQ(owners(), (QList<int>{0, 3, 3, -1, 4, -1, -1, -1}));

    grid.setCount(3);   // row 3 and 4 hidden, columns 3 and 4 too
    EXPECT_EQ(owners(), (QList<int>{0, -1, -1, -1, -1, -1, -1, -1}));
    grid.setBox(1, 1, true);
    grid.setBox(2, 2, true);
    grid.setCount(6);
    EXPECT_EQ(owners(), (QList<int>{0, 1, 2, -1, -1, -1, -1, -1}));
    // The kept claims still exclude: row 0 may take nothing right of its column, row 3 nothing
    // left of row 2's.
    EXPECT_EQ(enabledRow(0), "100000");
    EXPECT_EQ(enabledRow(3), "000111");
}

TEST_F(IOGridModelTest, AllZeroOwnersLoadAsRowZeroClaimingEveryColumn)
{
    WizardPara defaults;   // stage owners 0, as a fresh record holds them
    defaults.stage_count = 4;
    grid.load(defaults);
    EXPECT_EQ(owners(), (QList<int>{0, 0, 0, 0, 0, 0, 0, 0}));   // hidden columns keep theirs at load
    EXPECT_EQ(enabledRow(0), "1111");
    for (int r = 1; r < 4; ++r)
        EXPECT_EQ(enabledRow(r), "0000") << "row " << r;
    grid.setBox(1, 3, true);   // a disabled box ignores the touch
    EXPECT_EQ(grid.owner(3), 0);

    WizardPara out;
    grid.store(out);
    EXPECT_EQ(out.stage_source[7], 0);
    grid.setCount(5);   // now they stand on boxes: leaving the square releases them
    grid.setCount(4);
    EXPECT_EQ(owners(), (QList<int>{0, 0, 0, 0, -1, -1, -1, -1}));
}

TEST_F(IOGridModelTest, CheckingAndUncheckingABoxExcludesAndFreesTheOtherRows)
{
    rec.stage_count = 6;
    grid.load(rec);
    grid.setBox(1, 3, true);
    EXPECT_EQ(enabledRow(0), "111000");
    for (int r = 2; r < 6; ++r)
        EXPECT_EQ(enabledRow(r), "000011") << "row " << r;
    EXPECT_EQ(enabledRow(1), "111111");

    grid.setBox(0, 1, true);
    grid.setBox(1, 3, false);
    EXPECT_EQ(grid.owner(3), -1);
    EXPECT_EQ(enabledRow(0), "111111");
    for (int r = 1; r < 6; ++r)   // only row 0's claim of column 1 still excludes
        EXPECT_EQ(enabledRow(r), "001111") << "row " << r;

    // A column between two claims stays open to the rows from the left claimant to the right one.
    grid.setBox(3, 4, true);
    EXPECT_EQ(enabledRow(0).mid(2, 2), "11");
    EXPECT_EQ(enabledRow(2).mid(2, 2), "11");
    EXPECT_EQ(enabledRow(4).mid(2, 2), "00");
}

TEST_F(IOGridModelTest, StoredClaimsOutOfOrderOrOutOfRangeLoadAsNoClaim)
{
    rec.stage_count = 3;
    const int stored[8] = {0, 2, 1, 9, -7, -1, -1, 8};
    for (int i = 0; i < 8; ++i)
        rec.stage_source[i] = stored[i];
    rec.stage_input_choice[0] = 12;
    rec.stage_input_choice[1] = -3;
    grid.load(rec);
    // Column 2 by row 1 would sit left-below row 2's claim of column 1.
    EXPECT_EQ(owners(), (QList<int>{0, 2, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(grid.triggerChoice(0), 0);
    EXPECT_EQ(grid.triggerChoice(1), 0);
}

TEST_F(IOGridModelTest, ATriggerChoiceRunsDownTheRowsBelow)
{
    rec.stage_count = 8;
    const int choices[8] = {0, 1, 1, 2, 5, 6, 6, 7};
    for (int i = 0; i < 8; ++i)
        rec.stage_input_choice[i] = choices[i];
    grid.load(rec);
    grid.chooseTriggerItem(0, 3);
    EXPECT_EQ(grid.triggerChoice(0), 3);
    EXPECT_EQ(grid.firstInput(1), 3);
    EXPECT_EQ(grid.triggerItems(1).size(), 5);   // inputs 3..7
    EXPECT_EQ(grid.triggerChoice(1), 3);
    EXPECT_EQ(grid.triggerChoice(2), 3);
    EXPECT_EQ(grid.triggerChoice(3), 3);
    EXPECT_EQ(grid.triggerChoice(4), 5);          // above the new first: kept
    EXPECT_EQ(grid.triggerItem(4), 2);
    EXPECT_EQ(grid.firstInput(5), 5);
    EXPECT_EQ(grid.triggerChoice(7), 7);

    grid.chooseTriggerItem(0, 0);   // lowering opens the inputs again and keeps the choices
    EXPECT_EQ(grid.firstInput(1), 0);
    EXPECT_EQ(grid.triggerChoice(1), 3);
}

TEST_F(IOGridModelTest, WithTwoStagesTheSecondRowOffersFromTheFirstRowsChoiceToOne)
{
    rec.stage_count = 2;
    rec.stage_input_choice[0] = 5;   // above N - 1: lowered to 1
    grid.load(rec);
    EXPECT_EQ(grid.triggerChoice(0), 1);
    EXPECT_EQ(grid.triggerItems(0).size(), 2);
    EXPECT_EQ(grid.triggerItems(1).size(), 1);
    EXPECT_EQ(grid.triggerChoice(1), 1);
    grid.chooseTriggerItem(0, 0);
    EXPECT_EQ(grid.triggerItems(1).size(), 2);
    EXPECT_EQ(grid.triggerChoice(1), 1);
    grid.chooseTriggerItem(1, 0);
    EXPECT_EQ(grid.triggerChoice(1), 0);
    grid.chooseTriggerItem(1, 2);   // no such item
    EXPECT_EQ(grid.triggerChoice(1), 0);
}

TEST_F(IOGridModelTest, ConfirmNeedsTheLastShownStageAndWritesAllEightEntries)
{
    rec.stage_count = 3;
    rec.stage_link[6] = 2;
    grid.load(rec);
    grid.setBox(0, 0, true);
    grid.setBox(1, 1, true);
    EXPECT_FALSE(grid.lastStageClaimed());
    grid.setBox(1, 2, true);
    EXPECT_TRUE(grid.lastStageClaimed());
    grid.setCutMode(1, 1);
    grid.chooseTriggerItem(1, 2);

    WizardPara out;
    for (int i = 0; i < 8; ++i)
        out.stage_source[i] = out.stage_input_choice[i] = out.stage_link[i] = 99;
    grid.store(out);
    EXPECT_EQ(out.stage_count, 3);
    const int owners[8] = {0, 1, 1, -1, -1, -1, -1, -1};
    const int choices[8] = {0, 2, 2, 3, 4, 5, 6, 7};   // rows below N keep what the record held
    const int cuts[8] = {0, 1, 0, 0, 0, 0, 2, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out.stage_source[i], owners[i]) << i;
        EXPECT_EQ(out.stage_input_choice[i], choices[i]) << i;
        EXPECT_EQ(out.stage_link[i], cuts[i]) << i;
    }

    grid.reset();
    EXPECT_FALSE(grid.lastStageClaimed());
    EXPECT_EQ(grid.count(), 3);
    EXPECT_EQ(grid.triggerChoice(1), 2);
    EXPECT_EQ(grid.cutMode(1), 1);
}

TEST_F(IOGridModelTest, NamesFollowTheChoicesAndTheLastStageDrivesSlotZero)
{
    rec.stage_count = 4;
    rec.input_name_choice[0] = 7;    // "Res but"
    rec.output_name_choice[0] = 8;   // "Al thread"
    rec.output_name_choice[3] = 42;  // outside the table
    rec.stage_input_choice[2] = 1;
    grid.load(rec);
    EXPECT_EQ(grid.triggerItems(0).first(), "Res but");
    EXPECT_EQ(grid.triggerItems(1).first(), "Res but");
    EXPECT_EQ(grid.triggerItems(2).first(), "clo door");   // row 2 starts at input 1
    EXPECT_EQ(grid.columnCaption(3), "Al thread");
    EXPECT_EQ(grid.columnCaption(0), "Al thim");           // stage 0 drives output slot 1
    EXPECT_EQ(grid.columnCaption(2), "");                   // slot 3's choice is no name
    grid.setCount(5);
    EXPECT_EQ(grid.columnCaption(3), "Neu B I");
    EXPECT_EQ(grid.columnCaption(4), "Al thread");
    gLan = 0;
    EXPECT_EQ(grid.triggerItems(0).first(), "复位键");
}

TEST_F(IOGridModelTest, ReDetectLabelNamesTheStageCount)
{
    EXPECT_EQ(IOGridModel::reDetectLabel(3), "re-detect 3rd");
    EXPECT_EQ(IOGridModel::reDetectLabel(8), "re-detect 8th");
    gLan = 0;
    EXPECT_EQ(IOGridModel::reDetectLabel(2), "二次重检");
}

}  // namespace
