// The real program under Xvfb, touched where its widget map says the widgets are: network cards
// that cannot work typed on the network page and refused whole, and 110-character names whose
// "stored as" warning keeps every character inside a box on the display area.
#include <gtest/gtest.h>

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/xscreen.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"

namespace {

const QPoint kSettingsButton(1821, 409);  // option bar, "System settings"
const QPoint kExitSetup(1623, 137);
const QRect kDisplayArea(0, 0, 1725, 982);  // the camera area; the option bar is right of it

struct Shown {
    QString cls;
    QString text;
    QRect rect;
};

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

    // Every visible widget as the program reports it now.
    QList<Shown> Map()
    {
        const QString path = dir.file("widgets.map");
        if (::kill(pid_t(rig.process().processId()), SIGUSR1) != 0)
            return {};
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) {
                const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
                const int seq = lines.value(0).section(' ', 1).toInt();
                if (seq > mapSeq) {
                    mapSeq = seq;
                    QList<Shown> out;
                    for (const QString& l : lines.mid(1)) {
                        const QStringList c = l.split('\t');
                        if (c.size() == 7)
                            out << Shown{c[0], c[2], QRect(c[3].toInt(), c[4].toInt(), c[5].toInt(), c[6].toInt())};
                    }
                    return out;
                }
            }
            QThread::msleep(20);
        }
        return {};
    }
    // The topmost visible widget of class `cls` (empty: any) whose text satisfies `match`.
    template <typename Match>
    Shown Find(Match match, const QString& cls = QString(), int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        do {
            const QList<Shown> map = Map();
            for (int i = map.size() - 1; i >= 0; --i)
                if (match(map[i].text) && (cls.isEmpty() || map[i].cls == cls) && map[i].rect.width() > 4)
                    return map[i];
            QThread::msleep(100);
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
        const QString confirm = digits ? Row(121) : QString::fromUtf8("确定");
        const QString cancel = digits ? Row(124) : QString::fromUtf8("取消");
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!TouchText(shown, "BLineEdit") || FindText(confirm, "QPushButton").rect.isNull())
                return false;
            screen.Settle(300);
            if (digits) {
                for (QChar c : text)
                    TouchText(QString(c), "QPushButton");
            } else {
                // The full keyboard's entry takes a typed text as its keys do.
                const Shown entry = Find([](const QString&) { return true; }, "QLineEdit");
                screen.Touch(entry.rect.center(), 200);
                screen.XDo({"type", "--delay", "5", text});
            }
            const bool typed = !FindText(text, "QLineEdit").rect.isNull();
            TouchText(typed ? confirm : cancel, "QPushButton");
            if (typed)
                return true;
        }
        return false;
    }

    static constexpr const char* kInterfaces =
        "auto lo\niface lo inet loopback\n\nauto eth0\niface eth0 inet static\naddress 192.168.3.5\n"
        "netmask 255.255.255.0\ngateway 192.168.3.1\n";

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
    int mapSeq = 0;
};

}  // namespace

// Four cards that cannot work: each refused before any question with the value and its fault,
// nothing written, copied or recorded, the typed card still on the page.
TEST_F(NetCardE2E, CardsThatCannotWorkAreRefusedWholeAndKeptToBeMended)
{
    Start(1);
    ASSERT_TRUE(TouchText(Row(262))) << "no network page";
    const int records = RecordRows("RECORD.db").size();
    const struct {
        QString address, mask, gateway, fault;
    } cards[] = {{"192.168.3.5", "255.255.255.0", "10.0.0.1", "Gateway 10.0.0.1 is outside the subnet"},
                 {"192.168.3.5", "255.255.255.0", "192.168.3.255", "Gateway 192.168.3.255 is the broadcast address"},
                 {"127.0.0.5", "255.0.0.0", "192.168.3.255", "IP 127.0.0.5 is a loopback address"},
                 {"224.0.0.5", "255.255.255.0", "192.168.3.255", "IP 224.0.0.5 is a multicast or reserved address"}};
    QString address = "192.168.3.5", mask = "255.255.255.0", gateway = "192.168.3.1";
    for (const auto& c : cards) {
        for (auto [field, want] : {std::pair<QString*, QString>{&address, c.address}, {&mask, c.mask}, {&gateway, c.gateway}})
            if (*field != want) {
                ASSERT_TRUE(Type(*field, want, true)) << "typing " << want.toStdString();
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
