#include <gtest/gtest.h>

#include <vector>

#include "common/programdir.h"
#include "core/ledonoff.h"

namespace {
std::vector<unsigned long> gRequests;
std::vector<int> gFds;

int recordRequest(int fd, unsigned long request)
{
    gFds.push_back(fd);
    gRequests.push_back(request);
    return 0;
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLedRequestFunction(recordRequest);
        SetScreenOffFlag(&screenOff);
        gfLED = 0;  // descriptor 0 is a device like any other
        for (int n = 0; n < 8; ++n)
            LEDOnOff(n, 1);  // back to the state at start: every bit 1
        gRequests.clear();
        gFds.clear();
    }
    void TearDown() override
    {
        SetLedRequestFunction(nullptr);
        SetScreenOffFlag(nullptr);
        gfLED = -1;
    }
    int screenOff = 7;
};
}  // namespace

TEST_F(PanelTest, LampRequestsCarryAllEightBits)
{
    LEDOnOff(4, 1);
    LEDOnOff(4, 0);
    EXPECT_EQ(gRequests, (std::vector<unsigned long>{0x5A0180FF, 0x5A0180EF}));
    LEDOnOff(4, 1);
    gRequests.clear();
    LEDOnOff(6, 0);
    LEDOnOff(7, 1);
    EXPECT_EQ(gRequests, (std::vector<unsigned long>{0x5A0180BF, 0x5A0180BF}));
    LEDOnOff(6, 1);
    gRequests.clear();
    LEDOnOff(2, 2);  // only the lowest bit counts: 2 switches lamp 2 to 0
    LEDOnOff(2, 3);
    LEDOnOff(0, 0);
    EXPECT_EQ(gRequests, (std::vector<unsigned long>{0x5A0180FB, 0x5A0180FF, 0x5A0180FE}));
    EXPECT_EQ(gFds, std::vector<int>(gFds.size(), 0));
}

TEST_F(PanelTest, BacklightRequestsAndScreenOffFlag)
{
    LCDOnOff(0);
    EXPECT_EQ(screenOff, 1);
    LCDOnOff(5);
    EXPECT_EQ(screenOff, 0);
    EXPECT_EQ(gRequests, (std::vector<unsigned long>{0x5A018A00, 0x5A018B00}));
}

TEST_F(PanelTest, WithoutDeviceStateStillFollows)
{
    gfLED = -1;
    LCDOnOff(0);
    EXPECT_EQ(screenOff, 1);
    LEDOnOff(4, 0);
    EXPECT_TRUE(gRequests.empty());
    gfLED = 3;
    LEDOnOff(5, 0);  // the lamp byte kept lamp 4's change made without the device
    EXPECT_EQ(gRequests, (std::vector<unsigned long>{0x5A0180CF}));
    // without a flag of the main window, the own flag records the state
    SetScreenOffFlag(nullptr);
    LCDOnOff(0);
    EXPECT_EQ(ScreenOffFlag(), 1);
    EXPECT_EQ(screenOff, 1);
}

TEST_F(PanelTest, OpenLedDeviceGoesThroughSysroot)
{
    ProgramDir dir;
    qputenv("MOULDMON_SYSROOT", dir.path().toLocal8Bit());
    EXPECT_LT(OpenLedDevice(), 0);  // no device: negative, not 0
    EXPECT_EQ(gfLED, -1);
    dir.write("dev/led", "");
    EXPECT_GE(OpenLedDevice(), 0);
    qunsetenv("MOULDMON_SYSROOT");
}
