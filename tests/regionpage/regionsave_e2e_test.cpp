// The real program under Xvfb with the board simulator and one simulated camera: "Adjust area", a
// rectangle drawn on the view, "End Set", Yes, while another writer holds PARAM.db. The operator
// is warned that the parameters were not saved, the log names the reason, and PARAM.db keeps the
// regions it had.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QThread>

#include "common/cyclerig.h"
#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/widgetmapfile.h"
#include "common/xscreen.h"

namespace {

QString Flat(QString s)
{
    return s.replace('\r', ' ').replace('\n', ' ');
}

// The rows of camera 1's region table as PARAM.db holds them.
QStringList StoredRegionRows()
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "e2eRegions");
        db.setDatabaseName("PARAM.db");
        QSqlQuery q(db);
        if (db.open() && q.exec("SELECT name, value FROM cammer0 ORDER BY name"))
            while (q.next())
                rows << q.value(0).toString() + "=" + q.value(1).toString();
    }
    QSqlDatabase::removeDatabase("e2eRegions");
    return rows;
}

class RegionSaveE2E : public ::testing::Test {
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

    QList<Shown> Map()
    {
        return ReadWidgetMap(rig.process().processId(), dir.file("widgets.map"), &mapSeq, screen.idle);
    }
    // The topmost visible widget of class `cls` whose text is `text` (any text when empty).
    Shown Find(const QString& cls, const QString& text = QString(), int ms = 15000)
    {
        QElapsedTimer t;
        t.start();
        do {
            const QList<Shown> map = Map();
            for (int i = map.size() - 1; i >= 0; --i)
                if (map[i].cls == cls && (text.isEmpty() || map[i].text == text) && map[i].rect.width() > 4)
                    return map[i];
            screen.Settle(100);
        } while (t.elapsed() < ms);
        return {};
    }
    QString Row(int row) const { return Flat(rig.ProgramRow(row)); }

    ProgramDir dir;
    CycleRig rig{dir.path()};
    XScreen screen;
    int mapSeq = 0;
};

}  // namespace

TEST_F(RegionSaveE2E, ARegionSaveThatPARAMdbRefusesWarnsAndLogsTheReason)
{
    ASSERT_TRUE(rig.Prepare(CycleRigSetup{}));
    const QStringList stored = StoredRegionRows();
    ASSERT_EQ(stored.filter(QRegularExpression("^ROI0-")).size(), 1) << stored.join("\n").toStdString();
    ASSERT_TRUE(screen.Start()) << "no X server";
    ASSERT_GE(rig.Launch({"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.path(),
                          "MOULDMON_WIDGET_MAP=" + dir.file("widgets.map")}),
              0)
        << rig.Log().toStdString();

    const Shown adjust = Find("BOptionButton", Row(130));
    ASSERT_FALSE(adjust.rect.isNull()) << rig.Log().toStdString();
    screen.Touch(adjust.rect.center());
    // The region tools, a strip of 800 x 200: the first of its buttons draws a rectangle.
    Shown strip;
    QElapsedTimer t;
    t.start();
    while (strip.rect.isNull() && t.elapsed() < 15000) {
        for (const Shown& w : Map())
            if (w.cls == "BWidget" && w.rect.size() == QSize(800, 200))
                strip = w;
        screen.Settle(100);
    }
    ASSERT_FALSE(strip.rect.isNull()) << rig.Log().toStdString();
    QRect rectTool;
    for (const Shown& w : Map())
        if (w.cls == "QPushButton" && strip.rect.contains(w.rect) && (rectTool.isNull() || w.rect.x() < rectTool.x()))
            rectTool = w.rect;
    ASSERT_FALSE(rectTool.isNull());
    screen.Touch(rectTool.center());
    const Shown view = Find("CammerWidget");
    ASSERT_FALSE(view.rect.isNull());
    const QPoint c = view.rect.center();
    screen.Drag(c + QPoint(-300, 150), c + QPoint(-100, 300));

    DbLocker locker(dir.file("PARAM.db"));
    ASSERT_TRUE(locker.locked());
    const Shown endSet = Find("BOptionButton", Row(42));
    ASSERT_FALSE(endSet.rect.isNull()) << rig.Log().toStdString();
    screen.Touch(endSet.rect.center());
    ASSERT_FALSE(Find("QLabel", Row(72)).rect.isNull()) << "no save question";
    const QRect question = screen.Box();
    ASSERT_FALSE(question.isNull());
    screen.Touch(XScreen::YesOf(question));

    // The save waits for the other writer a while, then the warning comes.
    const Shown warning = Find("QLabel", Row(621), 30000);
    screen.Shot("regionsave-refused");
    EXPECT_FALSE(warning.rect.isNull()) << rig.Log().toStdString();
    const QString log = rig.Log();
    EXPECT_TRUE(log.contains("region model: saving cammer0 failed, nothing written: database is locked"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("region page: the regions of camera 1 are in force but not saved in PARAM.db"))
        << log.toStdString();
    locker.Unlock();
    rig.Stop();
    EXPECT_EQ(StoredRegionRows(), stored);
}
