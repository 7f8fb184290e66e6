// The device name becomes the host name: what the hostname and hosts files can carry.
#include <gtest/gtest.h>

#include "settings/netfiles.h"

TEST(HostName, LettersDigitsAndInnerHyphensOnly)
{
    for (const char* good : {"a", "press-7", "M1", "abc-def-123", "x123456789012345678901234567890123456789012345678901234567890ab"})
        EXPECT_TRUE(IsHostName(good)) << good;
    EXPECT_EQ(QString("x123456789012345678901234567890123456789012345678901234567890ab").size(), 63);
    for (const char* bad : {"", "-a", "a-", "a b", "a.b", "a\nb", "a;rm -rf", "x1234567890123456789012345678901234567890123456789012345678901abc"})
        EXPECT_FALSE(IsHostName(bad)) << bad;
    EXPECT_FALSE(IsHostName(QString::fromUtf8("车间")));
}
