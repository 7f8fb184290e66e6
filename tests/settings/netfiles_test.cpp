// The network files of the settings accept: their exact bytes, the address check, and the change
// bits SaveNetParam returns.
#include <gtest/gtest.h>

#include "network/netcard.h"
#include "network/othernetworkfiles.h"
#include "settings/netfiles.h"
#include "widgets/textrow.h"

TEST(NetFiles, InterfacesFileListsEveryWiredCardInKeyOrder)
{
    const QMap<QString, QStringList> cards{{"eth1", {"10.0.0.2", "255.0.0.0", "10.0.0.1"}},
                                           {"eth0", {"192.168.0.77", "255.255.255.0", "192.168.0.1"}},
                                           {"lo", {"127.0.0.1", "255.0.0.0", "0.0.0.0"}},
                                           {"wlan0", {"192.168.0.5", "255.255.255.0", "192.168.0.1"}}};
    EXPECT_EQ(InterfacesFileText(cards),
              "auto lo\niface lo inet loopback\r\n\r\n"
              "auto eth0\niface eth0 inet static\naddress 192.168.0.77\nnetmask 255.255.255.0\ngateway 192.168.0.1\n\n"
              "auto eth1\niface eth1 inet static\naddress 10.0.0.2\nnetmask 255.0.0.0\ngateway 10.0.0.1\n\n");
}

// "none" gets no gateway line (ifupdown would route everything through the card) and reads back as
// none, as does a file an earlier version wrote with "gateway 0.0.0.0".
TEST(NetFiles, NoGatewayIsWrittenWithoutALineAndReadBackAsNone)
{
    const QMap<QString, QStringList> cards{{"eth0", {"192.168.3.5", "255.255.255.0", "0.0.0.0"}},
                                           {"eth1", {"10.0.0.2", "255.0.0.0", "10.0.0.1"}}};
    const QByteArray text = InterfacesFileText(cards);
    EXPECT_EQ(text, "auto lo\niface lo inet loopback\r\n\r\n"
                    "auto eth0\niface eth0 inet static\naddress 192.168.3.5\nnetmask 255.255.255.0\n\n"
                    "auto eth1\niface eth1 inet static\naddress 10.0.0.2\nnetmask 255.0.0.0\ngateway 10.0.0.1\n\n");
    const QString dev = "  lo: 0\n eth0: 0\n eth1: 0\n";
    EXPECT_EQ(ParseNetCardAddresses(QString::fromLatin1(text), dev), cards);
    QMap<QString, QStringList> read;
    read = ParseNetCardAddresses("auto eth0\niface eth0 inet static\naddress 192.168.3.5\nnetmask 255.255.255.0\n"
                                 "gateway 0.0.0.0\n\n", dev);
    EXPECT_EQ(read.value("eth0"), cards.value("eth0"));
}

TEST(NetFiles, HostsFileKeepsWhatFollowsTheFirstCommentAndTheLocalhostLine)
{
    // Starting with a comment: every line stays behind the new lines.
    EXPECT_EQ(HostsFileText("# hosts\n10.1.1.1\tserver\n", "m2"),
              "127.0.1.1\tm2\n127.0.0.1\tm2\n\n\n# hosts\n10.1.1.1\tserver\n\n");
    // The lines written last time go; without any comment, everything stays.
    EXPECT_EQ(HostsFileText("127.0.1.1\tm1\n127.0.0.1\tm1\n\n\n# rest\n", "m2"),
              "127.0.1.1\tm2\n127.0.0.1\tm2\n\n\n# rest\n\n");
    EXPECT_EQ(HostsFileText("10.1.1.1 server", "m2"), "127.0.1.1\tm2\n127.0.0.1\tm2\n\n\n10.1.1.1 server\n");
    // A file longer than the old 8191-byte read is kept whole.
    QByteArray big = "# many\n";
    while (big.size() < 9000)
        big += "10.0.0.9\tsome-host-name\n";
    EXPECT_TRUE(HostsFileText(big, "m").endsWith(big.mid(big.size() - 40) + "\n"));
}

TEST(NetFiles, OnlyChangedAddressesMustBeDottedQuads)
{
    EXPECT_TRUE(IsDottedQuad("192.168.0.1"));
    EXPECT_TRUE(IsDottedQuad("0.0.0.0"));
    for (const char* bad : {"192.168.0", "192.168.0.256", "1.2.3.4.5", "a.b.c.d", " 1.2.3.4", "1.2.3.4;reboot", "",
                            "010.001.001.001", "192.168.00.1"})
        EXPECT_FALSE(IsDottedQuad(bad)) << bad;
    NetCard force{{{"eth0", {"192.168.0.5", "255.255.255.0", "gw"}}, {"wlan0", {"x", "y", "z"}}}, {}, "h"};
    NetCard edit = force;
    EXPECT_TRUE(EditedAddressesValid(force, edit));  // an invalid value already in force is not judged
    edit.addresses["eth0"][1] = "255.255.0";
    EXPECT_FALSE(EditedAddressesValid(force, edit));
    edit = force;
    edit.addresses["eth1"] = QStringList{"10.0.0.2", "255.0.0.0", "10.0.0.1"};
    EXPECT_TRUE(EditedAddressesValid(force, edit));
}

// Addresses that would take the machine off its network are refused like malformed ones.
TEST(NetFiles, AChangedCardMustWorkAsAWhole)
{
    EXPECT_TRUE(CardAddressesWork({"192.168.1.10", "255.255.255.0", "192.168.1.1"}));
    EXPECT_TRUE(CardAddressesWork({"10.0.0.2", "255.0.0.0", "10.0.0.1"}));
    EXPECT_TRUE(CardAddressesWork({"10.0.0.1", "255.255.255.254", "10.0.0.0"}));  // /31 needs only a host bit
    EXPECT_TRUE(CardAddressesWork({"192.168.0.5", "255.255.255.0", "0.0.0.0"}));  // no gateway
    const QList<QStringList> bad = {
        {"192.168.1.1", "0.0.0.0", "192.168.1.1"},           // address = gateway, netmask 0
        {"192.168.1.1", "255.255.255.0", "192.168.1.1"},     // address = gateway
        {"192.168.1.10", "0.0.0.0", "192.168.1.1"},          // netmask 0
        {"0.0.0.0", "255.255.255.255", "010.001.001.001"},   // all-ones netmask, leading zeros
        {"192.168.1.10", "255.255.255.255", "192.168.1.1"},  // all-ones netmask
        {"192.168.1.0", "255.255.255.0", "192.168.1.1"},     // the network's address
        {"192.168.1.255", "255.255.255.0", "192.168.1.1"},   // its broadcast
        {"0.0.0.0", "255.255.255.0", "192.168.1.1"},
        {"192.168.1.10", "255.0.255.0", "192.168.1.1"},      // ones not leading
        {"192.168.1.10", "255.255.255.0", "192.168.001.1"},
        {"192.168.1.10", "255.255.255.0"}};
    for (const QStringList& card : bad)
        EXPECT_FALSE(CardAddressesWork(card)) << card.join(' ').toStdString();
    // What is wrong is told by value and text row.
    const struct {
        QStringList card;
        int value, row;
    } faults[] = {{{"192.168.3.5", "255.255.255.0", "10.0.0.1"}, 2, 706},
                  {{"192.168.3.5", "255.255.255.0", "192.168.3.255"}, 2, 703},
                  {{"192.168.3.5", "255.255.255.0", "192.168.3.0"}, 2, 702},
                  {{"192.168.3.5", "255.255.255.0", "192.168.3.5"}, 2, 707},
                  {{"127.0.0.5", "255.0.0.0", "0.0.0.0"}, 0, 704},
                  {{"224.0.0.5", "255.255.255.0", "224.0.0.1"}, 0, 705},
                  {{"240.0.0.5", "255.255.255.0", "0.0.0.0"}, 0, 705},
                  {{"192.168.1.255", "255.255.255.0", "192.168.1.1"}, 0, 703},
                  {{"192.168.1.10", "255.0.255.0", "192.168.1.1"}, 1, 701},
                  {{"192.168.1.10", "255.255.255.0", "192.168.001.1"}, 2, 620},
                  // A short mask puts these gateways inside the subnet; they are no router's still.
                  {{"192.168.3.5", "128.0.0.0", "230.1.1.1"}, 2, 705},
                  {{"100.1.1.1", "192.0.0.0", "127.0.0.1"}, 2, 704},
                  {{"10.0.0.5", "128.0.0.0", "0.0.0.7"}, 2, 705}};
    for (const auto& f : faults) {
        const CardFault got = CardAddressFault(f.card);
        EXPECT_EQ(got.value, f.value) << f.card.join(' ').toStdString();
        EXPECT_EQ(got.row, f.row) << f.card.join(' ').toStdString();
    }
    // A gateway beyond a /31 pair is outside it too.
    EXPECT_EQ(CardAddressFault({"10.0.0.1", "255.255.255.254", "10.0.0.2"}).row, 706);

    // Judged whole once one value of the card changed; the other cards and an untouched card are not.
    NetCard force{{{"eth0", {"192.168.1.10", "255.255.255.0", "192.168.1.1"}},
                   {"eth1", {"10.0.0.0", "255.255.255.0", "10.0.0.0"}}},
                  {},
                  "h"};
    NetCard edit = force;
    edit.addresses["eth0"][2] = "192.168.1.10";
    EXPECT_FALSE(EditedAddressesValid(force, edit));
    edit.addresses["eth0"][2] = "192.168.1.2";
    EXPECT_TRUE(EditedAddressesValid(force, edit));
    edit.addresses["eth0"][1] = "255.255.255.255";
    EXPECT_FALSE(EditedAddressesValid(force, edit));

    // The refusal names the value and its fault in the language in force; malformed keeps row 620.
    if (textRow(700).isEmpty())
        Data_Init();
    const int lan = gLan;
    gLan = 1;
    edit = force;
    edit.addresses["eth0"][2] = "10.0.0.1";
    EXPECT_EQ(EditedCardRefusal(force, edit), "Gateway 10.0.0.1 is outside the subnet, \r\n the network settings are not changed!");
    gLan = 2;
    edit.addresses["eth0"] = QStringList{"127.0.0.5", "255.0.0.0", "0.0.0.0"};
    EXPECT_EQ(EditedCardRefusal(force, edit), QString::fromUtf8("IP 127.0.0.5 是迴路位址，\r\n網路設定未修改！"));
    edit.addresses["eth0"][0] = "127.0.0.05";
    EXPECT_EQ(EditedCardRefusal(force, edit), textRow(620));
    EXPECT_TRUE(EditedCardRefusal(force, force).isEmpty());
    gLan = lan;
}

// A pasted value with a line feed or any other control character is refused by every check: a
// line feed in the interfaces file splits the card's block and its gateway reads back as default.
TEST(CheckedFields, ALineFeedOrAnyControlCharacterIsRefused)
{
    for (const QString& tail : QStringList{"\n", "\r\n", "\t", "\x1b", QString(QChar(0)), QString(QChar(0x85))}) {
        const std::string shown = tail.toUtf8().toHex().toStdString();
        EXPECT_FALSE(IsDottedQuad("192.168.0.77" + tail)) << shown;
        EXPECT_FALSE(IsDottedQuad(tail + "192.168.0.77")) << shown;
        EXPECT_FALSE(IsHostName("press-7" + tail)) << shown;
        EXPECT_FALSE(ServerValueValid("serverip_info", "10.0.0.2" + tail)) << shown;
        EXPECT_FALSE(ServerValueValid("serverport_file", "8000" + tail)) << shown;
    }
}
