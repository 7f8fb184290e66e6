#include <gtest/gtest.h>

#include <cstring>

#include "core/wizardpara.h"

TEST(WizardPara, FreshRecordHoldsOnlyTheConstructorDefaults)
{
    WizardPara p;
    // Compare against an all-zero image with the few defaults set: every other byte must be zero.
    WizardPara z;
    std::memset(static_cast<void*>(&z), 0, sizeof z);
    z.stage_enabled[1] = 1;
    z.video_share = 1;
    z.video_fps_index = 3;
    z.product_batch = 10000;
    z.cavity = 6;
    z.expected_capacity = 1;
    z.stage_count = 2;
    z.minimum_area = 100;
    for (int& g : z.gamma)
        g = 100;
    EXPECT_EQ(0, std::memcmp(&p, &z, sizeof p));
    EXPECT_EQ(0, p.stage_enabled[0]);
    EXPECT_EQ(0, p.stage_trigger_input[0]);
    EXPECT_STREQ("", p.password);
    EXPECT_STREQ("", p.CntNet_Operator);
}

TEST(WizardPara, CopyIsWholeAndIndependent)
{
    WizardPara a;
    a.io_mode_chosen = 4;
    std::strcpy(a.CntNet_ProName, "part");
    a.output_polarity[8] = 1;
    WizardPara b = a;
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
    b.CntNet_ProName[0] = 'X';
    EXPECT_STREQ("part", a.CntNet_ProName);
}
