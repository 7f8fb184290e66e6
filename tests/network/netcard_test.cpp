#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "common/programdir.h"
#include "network/cnt_net.h"
#include "network/netcard.h"

namespace {

const char* kProcNetDev =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
    "    lo:    1234      12    0    0    0     0          0         0     1234      12    0    0    0     0       0          0\n"
    "  eth0: 5678 34 0 0 0 0 0 0 910 11 0 0 0 0 0 0\n"
    "  eth1:0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";

const QStringList kDefaults = {"192.168.0.5", "255.255.255.0", "192.168.0.1"};

// A machine tree under MOULDMON_SYSROOT for the life of the object.
class SysRoot {
public:
    SysRoot() : old_(qgetenv("MOULDMON_SYSROOT")) { qputenv("MOULDMON_SYSROOT", dir_.path().toLocal8Bit()); }
    ~SysRoot()
    {
        if (old_.isNull())
            qunsetenv("MOULDMON_SYSROOT");
        else
            qputenv("MOULDMON_SYSROOT", old_);
    }
    void write(const QString& path, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(dir_.path() + path).absolutePath());
        QFile f(dir_.path() + path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};

}  // namespace

TEST(NetCardAddresses, FileValuesForListedCardsDefaultsForTheRestLoAbsent)
{
    SysRoot root;
    root.write("/proc/net/dev", kProcNetDev);
    root.write("/etc/network/interfaces",
               "auto lo\niface lo inet loopback\n\n"
               "auto eth0\niface eth0 inet static\naddress 10.0.0.7\nnetmask 255.0.0.0\ngateway 10.0.0.1\n\n"
               "auto eth2\niface eth2 inet static\naddress 10.2.0.7\n");
    const auto map = CNT_Net::getNewNetCardInfo();
    EXPECT_EQ(map.keys(), QStringList({"eth0", "eth1"}));  // eth2 is not there, lo never
    EXPECT_EQ(map.value("eth0"), QStringList({"10.0.0.7", "255.0.0.0", "10.0.0.1"}));
    EXPECT_EQ(map.value("eth1"), kDefaults);
}

TEST(NetCardAddresses, IndentedFileWithHwaddressGivesTheAddressNotItsTail)
{
    SysRoot root;
    root.write("/proc/net/dev", kProcNetDev);
    // Indented lines, a blank line of spaces between blocks, CR LF endings and a hwaddress line.
    root.write("/etc/network/interfaces",
               "auto eth0\r\n  iface eth0 inet static\r\n    hwaddress ether 00:11:22:33:44:55\r\n"
               "    address 10.0.0.7\r\n\tnetmask 255.255.0.0\r\n   \r\n"
               "  auto eth1\n    address 10.1.0.9\n    gateway 10.1.0.1\n");
    const auto map = CNT_Net::getNewNetCardInfo();
    EXPECT_EQ(map.value("eth0"), QStringList({"10.0.0.7", "255.255.0.0", "0.0.0.0"}));  // set, no gateway
    EXPECT_EQ(map.value("eth1"), QStringList({"10.1.0.9", "255.255.255.0", "10.1.0.1"}));
}

TEST(NetCardAddresses, CommentedWirelessAndLoNamedCards)
{
    const QString dev = QString(kProcNetDev) + " wlan0: 1 2 3\n  wlo1: 1 2 3\nenp3s0: 1 2 3\n";
    const auto map = ParseNetCardAddresses(
        "#auto eth0\naddress 10.0.0.7\n\n"
        "auto wlan0\naddress 10.9.0.1\n\n"
        "auto wlo1\naddress 10.8.0.1\n\n"
        "auto enp3s0\naddress 10.3.0.3\n",
        dev);
    EXPECT_EQ(map.value("eth0"), kDefaults);    // its block is commented out
    EXPECT_EQ(map.value("wlan0"), kDefaults);   // wireless always has the defaults
    EXPECT_FALSE(map.contains("wlo1"));         // "lo" in the name: no block, no defaults
    // A long name stands at the line start in /proc/net/dev, after the previous line's break.
    EXPECT_EQ(map.value("enp3s0"), QStringList({"10.3.0.3", "255.255.255.0", "0.0.0.0"}));
}

TEST(NetCardAddresses, MissingInterfacesFileGivesNoCardsEvenWhenCardsArePresent)
{
    SysRoot root;
    root.write("/proc/net/dev", kProcNetDev);
    EXPECT_TRUE(CNT_Net::getNewNetCardInfo().isEmpty());
}

TEST(NetCardMacs, ListedCardsWithAnAddressFile)
{
    SysRoot root;
    root.write("/proc/net/dev", kProcNetDev);
    root.write("/sys/class/net/eth0/address", "00:11:22:33:44:55\n");
    root.write("/sys/class/net/lo/address", "00:00:00:00:00:00\n");
    const auto macs = CNT_Net::getNetMac();
    EXPECT_EQ(macs.keys(), QStringList({"eth0"}));  // eth1 has no address file, lo is skipped
    EXPECT_EQ(macs.value("eth0"), "00:11:22:33:44:55");
}

TEST(NetCardCommand, RunsThroughTheRunnerWithoutAShell)
{
    RecordingRunner runner;
    runner.answer = [](const RecordedCommand&) {
        CommandResult r;
        r.started = true;
        r.exitCode = 0;
        r.out = "inet 10.0.0.7\n";
        return r;
    };
    EXPECT_EQ(cls_cmd("ip addr show \"eth0; reboot\""), "inet 10.0.0.7\n");
    ASSERT_EQ(runner.calls.size(), 1);
    EXPECT_EQ(runner.calls[0].program, "ip");
    EXPECT_EQ(runner.calls[0].args, QStringList({"addr", "show", "eth0; reboot"}));
    EXPECT_EQ(cls_cmd(""), "");
}
