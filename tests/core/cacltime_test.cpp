#include <gtest/gtest.h>

#include "core/cacltime.h"

TEST(CaclTime, KeepsSpanStatistics)
{
    allT = numT = maxT = nextT = lastT = 0;
    minT = 10000;
    startT = {100, 250000};
    CaclTime(timeval{101, 750000});  // 1.5 s
    EXPECT_EQ(nextT, 1500);
    EXPECT_EQ(allT, 1500);
    EXPECT_EQ(minT, 1500);
    EXPECT_EQ(maxT, 1500);
    EXPECT_EQ(numT, 1);
    startT = {200, 900000};
    CaclTime(timeval{201, 100000});  // 0.2 s, microseconds borrow
    EXPECT_EQ(nextT, 200);
    EXPECT_EQ(lastT, 1500);
    EXPECT_EQ(allT, 1700);
    EXPECT_EQ(minT, 200);
    EXPECT_EQ(maxT, 1500);
    EXPECT_EQ(numT, 2);
    EXPECT_EQ(finishT.tv_sec, 201);
}
