// The real program under Xvfb, touched where its widget map says the widgets are: network cards
// that cannot work typed on the network page and refused whole, and 110-character names whose
// "stored as" warning keeps every character inside a box on the display area.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/widgetmapfile.h"
#include "common/xscreen.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"

namespace {

const QPoint kSettingsButton(1821, 409);  // option bar, "System settings"
const QPoint kExitSetup(1623, 137);
const QRect kDisplayArea(0, 0, 1725, 982);  // the camera area; the option bar is right of it

QString Flat(QString s)
{
    return s.replace('\r', ' ').replace('\n', ' ');
}

class NetCardE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XScreen::Available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        // The board simulator's output is read all along, or it stops answering the program.
        screen.idle = [this] { rig.board()->lines(); };
    }
    void TearDown() override
    {
        rig.Stop();
        screen.Stop();
    }

    // The program in `language` with one wired card eth0 192.168.3.5/24 via 192.168.3.1.
    void Start(int language)
    {
        CycleRigSetup setup;
        setup.adjust = [language](WizardPara&) { gLan = language; };
        const int lan = gLan;
        ASSERT_TRUE(rig.Prepare(setup));
        gLan = lan;
        const QString root = dir.file("sysroot");
        for (const char* d : {"etc/network", "proc/net", "sys/class/net/eth0"})
            QDir().mkpath(root + "/" + d);
        Write(root + "/etc/network/interfaces", kInterfaces);
        Write(root + "/proc/net/dev", "Inter-|   Receive\n face |bytes\n    lo: 0 0\n  eth0: 0 0\n");
        Write(root + "/sys/class/net/eth0/address", "00:11:22:33:44:55\n");
        Write(root + "/etc/hostname", "mould-01\n");
        Write(root + "/etc/hosts", "127.0.0.1\tlocalhost\n127.0.1.1\tmould-01\n");
        ASSERT_TRUE(screen.Start()) << "no X server";
        ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path(),
                              "MOULDMON_SYSROOT=" + root, "MOULDMON_WIDGET_MAP=" + dir.file("widgets.map")}),
                  0)
            << rig.Log().toStdString();
        screen.Touch(kSettingsButton);
        ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("settings: screen shown, pages loaded"); }, 20000))
            << rig.Log().toStdString();
    }

    static void Write(const QString& file, const QByteArray& text)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QString Row(int row) const { return Flat(rig.ProgramRow(row)); }

    QList<Shown> Map()
    {
        return ReadWidgetMap(rig.process().processId(), dir.file("widgets.map"), &mapSeq, screen.idle);
    }
    // The topmost visible widget of class `cls` (empty: any) whose text satisfies `match`.
    template <typename Match>
    Shown Find(Match match, const QString& cls = QString(), int ms = 15000)
    {
        QElapsedTimer t;
        t.start();
        do {
            const QList<Shown> map = Map();
            for (int i = map.size() - 1; i >= 0; --i)
                if (match(map[i].text) && (cls.isEmpty() || map[i].cls == cls) && map[i].rect.width() > 4)
                    return map[i];
            screen.Settle(100);
        } while (t.elapsed() < ms);
        return {};
    }
    Shown FindText(const QString& text, const QString& cls = QString())
    {
        return Find([&](const QString& s) { return s == text; }, cls);
    }
    bool TouchText(const QString& text, const QString& cls = QString())
    {
        const Shown s = FindText(text, cls);
        if (s.rect.isNull())
            return false;
        screen.Touch(s.rect.center(), 300);
        return true;
    }
    // Types `text` into the field now showing `shown` through the keyboard its touch opens; a touch
    // a loaded machine lost is typed again.
    bool Type(const QString& shown, const QString& text, bool digits)
    {
        return Type(FindText(shown, "BLineEdit").rect, text, digits);
    }
    bool Type(const QRect& field, const QString& text, bool digits)
    {
        const QString confirm = digits ? Row(121) : QString::fromUtf8("确定");
        const QString cancel = digits ? Row(124) : QString::fromUtf8("取消");
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (field.isNull()) {
                screen.Shot("netcard-no-field");
                return false;
            }
            screen.Touch(field.center(), 300);
            if (FindText(confirm, "QPushButton").rect.isNull()) {
                screen.Shot("netcard-no-keyboard");
                return false;
            }
            screen.Settle(300);
            if (digits) {
                for (QChar c : text)
                    TouchText(QString(c), "QPushButton");
            } else {
                // The full keyboard's entry takes a typed text as its keys do.
                const Shown entry = Find([](const QString&) { return true; }, "QLineEdit");
                screen.Touch(entry.rect.center(), 200);
                TypeChecked(text);
            }
            const bool typed = !FindText(text, "QLineEdit").rect.isNull();
            if (!typed)
                for (const Shown& w : Map())
                    if (w.cls == "QLineEdit")
                        qWarning("typed: %s", qPrintable(w.text));
            TouchText(typed ? confirm : cancel, "QPushButton");
            if (typed)
                return true;
        }
        return false;
    }

    // xdotool types a character the keymap lacks (Chinese) by mapping a spare key to it for that
    // key press; a program that reads the press before the new mapping loses or changes it. So the
    // text goes in pieces, each checked on the entry, and what came wrong is taken back.
    void TypeChecked(const QString& text)
    {
        int done = 0;
        for (int round = 0; done < text.size() && round < 60; ++round) {
            screen.XDo({"type", "--delay", "40", text.mid(done, 8)});
            screen.Settle(100);
            QString now;
            const QList<Shown> map = Map();
            for (int i = map.size() - 1; i >= 0; --i)
                if (map[i].cls == "QLineEdit" && map[i].rect.width() > 4) {
                    now = map[i].text;
                    break;
                }
            int same = 0;
            while (same < now.size() && same < text.size() && now[same] == text[same])
                ++same;
            for (int i = same; i < now.size(); ++i)
                screen.XDo({"key", "BackSpace"});
            done = same;
        }
    }

    // The entry field on the row of the caption of text row `row`.
    QRect FieldBeside(int row)
    {
        const QRect caption = FindText(Row(row), "QLabel").rect;
        QRect best;
        for (const Shown& w : Map())
            if (w.cls == "BLineEdit" && !caption.isNull() && w.rect.left() > caption.left() &&
                std::abs(w.rect.center().y() - caption.center().y()) < 20 &&
                (best.isNull() || w.rect.left() < best.left()))
                best = w.rect;
        return best;
    }

    // The warning box now shown says `stored` whole, its message inside it, it inside the display
    // area; the screen is saved as `shot` and the warning confirmed.
    void CheckStoredAs(const QString& stored, const QString& shot)
    {
        const Shown message = Find([&](const QString& s) { return QString(s).remove(' ').contains(QString(stored).remove(' ')); }, "QLabel", 15000);
        ASSERT_FALSE(message.rect.isNull()) << stored.toStdString() << rig.Log().toStdString();
        QRect box;
        for (const Shown& w : Map())
            if (w.cls == "QDialog" && w.rect.width() < 1920)
                box = w.rect;
        screen.Shot(shot);
        EXPECT_TRUE(kDisplayArea.contains(box)) << shot.toStdString();
        EXPECT_TRUE(box.contains(message.rect)) << shot.toStdString();
        ASSERT_TRUE(TouchText(Row(121), "QPushButton"));
    }

    void LongNames(bool english);
    struct RefusedCard {
        QString address, mask, gateway, fault;
    };
    void RefusedWhole(const QList<RefusedCard>& cards);

    static constexpr const char* kInterfaces =
        "auto lo\niface lo inet loopback\n\nauto eth0\niface eth0 inet static\naddress 192.168.3.5\n"
        "netmask 255.255.255.0\ngateway 192.168.3.1\n";

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
    int mapSeq = 0;
};

}  // namespace

// Each card refused before any question with the value and its fault, nothing written, copied
// or recorded, the typed card still on the page.
void NetCardE2E::RefusedWhole(const QList<RefusedCard>& cards)
{
    Start(1);
    ASSERT_TRUE(TouchText(Row(262))) << "no network page";
    const int records = RecordRows("RECORD.db").size();
    QString address = "192.168.3.5", mask = "255.255.255.0", gateway = "192.168.3.1";
    for (const auto& c : cards) {
        for (auto [field, want] : {std::pair<QString*, QString>{&address, c.address}, {&mask, c.mask}, {&gateway, c.gateway}})
            if (*field != want) {
                ASSERT_TRUE(Type(*field, want, true)) << "typing " << want.toStdString() << "\n" << rig.Log().right(3000).toStdString();
                *field = want;
            }
        screen.Touch(kExitSetup);
        const Shown warning = Find([&](const QString& s) { return s.startsWith(c.fault); }, "QLabel");
        if (warning.rect.isNull()) {
            screen.Shot("netcard-missing");
            QStringList shown;
            for (const Shown& w : Map())
                shown << w.cls + " " + w.text;
            FAIL() << c.fault.toStdString() << "\n" << shown.join('\n').toStdString() << rig.Log().toStdString();
        }
        EXPECT_TRUE(warning.text.simplified().endsWith("the network settings are not changed!"))
            << warning.text.toStdString();
        ASSERT_TRUE(TouchText(Row(121), "QPushButton"));
        // The page is still up with the card as typed.
        for (const QString& v : {address, mask, gateway})
            EXPECT_FALSE(FindText(v, "BLineEdit").rect.isNull()) << v.toStdString();
    }
    EXPECT_FALSE(rig.Log().contains("settings: asking whether to save"));
    EXPECT_FALSE(QFile::exists(dir.file("cnt_net/ls_interfaces")));
    EXPECT_FALSE(rig.Log().contains("/etc/network/interfaces")) << rig.Log().toStdString();
    QFile interfaces(dir.file("sysroot/etc/network/interfaces"));
    ASSERT_TRUE(interfaces.open(QIODevice::ReadOnly));
    EXPECT_EQ(interfaces.readAll(), QByteArray(kInterfaces));
    rig.Stop();
    // Rows of the program's own (a board that went quiet on a loaded machine) may come; no change.
    for (const QStringList& row : RecordRows("RECORD.db").mid(records))
        EXPECT_FALSE(row.value(2).startsWith(Row(235))) << row.join(' ').toStdString();
}

TEST_F(NetCardE2E, CardsThatCannotWorkAreRefusedWholeAndKeptToBeMended)
{
    RefusedWhole({{"192.168.3.5", "255.255.255.0", "10.0.0.1", "Gateway 10.0.0.1 is outside the subnet"},
                  {"192.168.3.5", "255.255.255.0", "192.168.3.255", "Gateway 192.168.3.255 is the broadcast address"},
                  {"127.0.0.5", "255.0.0.0", "192.168.3.255", "IP 127.0.0.5 is a loopback address"},
                  {"224.0.0.5", "255.255.255.0", "192.168.3.255", "IP 224.0.0.5 is a multicast or reserved address"}});
}

// A short mask puts each gateway inside the subnet: it is still no router's address.
TEST_F(NetCardE2E, GatewaysNoMachineCanHaveAreRefusedInsideTheSubnetToo)
{
    RefusedWhole({{"192.168.3.5", "128.0.0.0", "230.1.1.1", "Gateway 230.1.1.1 is a multicast or reserved address"},
                  {"100.1.1.1", "192.0.0.0", "127.0.0.1", "Gateway 127.0.0.1 is a loopback address"},
                  {"10.0.0.5", "128.0.0.0", "0.0.0.7", "Gateway 0.0.0.7 is a multicast or reserved address"}});
}

// Gateway 0.0.0.0 is "none": the card's block gets no gateway line (ifupdown would make a default
// route through the card), the file goes into /etc once and the change is recorded once.
TEST_F(NetCardE2E, NoGatewayIsWrittenWithoutAGatewayLineAndRecordedOnce)
{
    Start(1);
    ASSERT_TRUE(TouchText(Row(262))) << "no network page";
    const int records = RecordRows("RECORD.db").size();
    ASSERT_TRUE(Type("192.168.3.1", "0.0.0.0", true)) << rig.Log().right(3000).toStdString();
    screen.Touch(kExitSetup);
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("settings: asking whether to save"); }, 15000))
        << rig.Log().right(3000).toStdString();
    ASSERT_TRUE(TouchText(Row(122), "QPushButton"));
    ASSERT_TRUE(rig.WaitFor([&] { return rig.Log().contains("settings: committed"); }, 15000))
        << rig.Log().right(3000).toStdString();
    QFile written(dir.file("cnt_net/ls_interfaces"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("auto lo\niface lo inet loopback\r\n\r\n"
                                            "auto eth0\niface eth0 inet static\naddress 192.168.3.5\n"
                                            "netmask 255.255.255.0\n\n"));
    EXPECT_EQ(rig.Log().count("dry run, skipped: cp ./cnt_net/ls_interfaces /etc/network/interfaces"), 1)
        << rig.Log().toStdString();
    rig.Stop();
    int changes = 0;
    for (const QStringList& row : RecordRows("RECORD.db").mid(records))
        changes += row.value(2).startsWith(Row(235));
    EXPECT_EQ(changes, 1);
}

// 110-character operator and technician names: each "stored as" warning says the stored name
// whole inside a box that stays on the display area (screens saved for a look).
void NetCardE2E::LongNames(bool english)
{
    Start(english ? 1 : 2);
    const QString name = english ? QString("WMWmw").repeated(22)
                                 : QString::fromUtf8("機器操作員與技術人員的名稱").repeated(9).left(110);
    ASSERT_EQ(name.size(), 110);
    ASSERT_TRUE(TouchText(Row(431))) << "no device page";
    ASSERT_TRUE(Type(FieldBeside(434), name, false)) << "operator name";
    ASSERT_TRUE(TouchText(Row(574))) << "no other networks page";
    ASSERT_TRUE(Type(FieldBeside(427), name, false)) << "technician name";
    screen.Touch(kExitSetup);
    const QString tag = english ? "en" : "tw";
    // The operator's name keeps Latin-1 only, cut to 99 bytes; the technician's is cut on a character.
    CheckStoredAs(english ? name.left(99) : QString(99, '?'), "longname-operator-" + tag);
    CheckStoredAs(english ? name.left(99) : name.left(33), "longname-technician-" + tag);
}

TEST_F(NetCardE2E, LongNamesAreToldWholeInsideTheBoxInEnglish)
{
    LongNames(true);
}

TEST_F(NetCardE2E, LongNamesAreToldWholeInsideTheBoxInTraditionalChinese)
{
    LongNames(false);
}
