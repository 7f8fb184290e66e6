#include <gtest/gtest.h>

#include "core/wizardpara.h"
#include "settings/networkcardfields.h"

namespace {
NetCard Card()
{
    NetCard c;
    c.addresses["eth0"] = QStringList{"192.168.3.5", "255.255.255.0", "192.168.3.1"};
    c.addresses["wlan0"] = QStringList{"192.168.0.5", "255.255.255.0", "192.168.0.1"};
    c.macs["eth0"] = "00:11:22:33:44:55";
    return c;
}
}  // namespace

TEST(NetworkCardFields, AWiredCardShowsItsEditedEntriesWithoutAskingTheComputer)
{
    int asked = 0;
    auto interfaces = [&] { ++asked; return QMap<QString, QString>(); };
    auto route = [&] { ++asked; return QByteArray(); };
    const CardFields f = FieldsForCard(Card(), "eth0", "eth0", "null", interfaces, route);
    EXPECT_EQ(f.mac, "00:11:22:33:44:55");
    EXPECT_EQ(QStringList({f.address, f.mask, f.gateway}), Card().addresses["eth0"]);
    EXPECT_TRUE(f.useCard);
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(FieldsForCard(Card(), "eth0", "wlan0", "null", interfaces, route).useCard);
    const CardFields unknown = FieldsForCard(Card(), "eth9", "eth0", "null", interfaces, route);
    EXPECT_FALSE(unknown.hasMac || unknown.hasAddress || unknown.hasUseCard);
}

TEST(NetworkCardFields, AWirelessCardInUseShowsTheComputersAddressAndRouteGateway)
{
    auto interfaces = [] { return QMap<QString, QString>{{"wlan0", "10.1.2.30"}, {"eth0", "192.168.3.5"}}; };
    auto route = [] { return QByteArray("default via 10.1.2.1 dev wlan0 proto dhcp\n"); };
    const CardFields used = FieldsForCard(Card(), "wlan0", "wlan0", "wlan0", interfaces, route);
    EXPECT_EQ(used.address, "10.1.2.30");
    EXPECT_EQ(used.gateway, "10.1.2.1");
    EXPECT_EQ(used.mask, "255.255.255.0");
    const CardFields notInForce = FieldsForCard(Card(), "wlan0", "wlan0", "eth0", interfaces, route);
    EXPECT_EQ(notInForce.address, "192.168.0.5");
    auto noAddress = [] { return QMap<QString, QString>(); };
    EXPECT_EQ(FieldsForCard(Card(), "wlan0", "wlan0", "wlan0", noAddress, route).address, "192.168.0.5");
}

TEST(NetworkCardFields, EditsReachOnlyWiredCardsWithThreeEntries)
{
    NetCard c = Card();
    EXPECT_TRUE(SetCardEntry(c, "eth0", 2, "192.168.3.254"));
    EXPECT_EQ(c.addresses["eth0"].at(2), "192.168.3.254");
    EXPECT_FALSE(SetCardEntry(c, "wlan0", 0, "1.2.3.4"));
    EXPECT_EQ(c.addresses["wlan0"].at(0), "192.168.0.5");
    c.addresses["eth1"] = QStringList{"1.1.1.1"};
    EXPECT_FALSE(SetCardEntry(c, "eth1", 0, "2.2.2.2"));
    EXPECT_FALSE(SetCardEntry(c, "eth9", 0, "2.2.2.2"));
    EXPECT_FALSE(c.addresses.contains("eth9"));
}

TEST(NetworkCardFields, TheReportingCardNameIsCutTo99BytesOrNull)
{
    WizardPara p;
    SetReportingCard(p, QString(120, 'e'), true);
    EXPECT_EQ(QByteArray(p.CntNet_UseName), QByteArray(99, 'e'));
    SetReportingCard(p, "eth0", false);
    EXPECT_EQ(QByteArray(p.CntNet_UseName), QByteArray("null"));
}
