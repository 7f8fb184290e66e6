// The chrome widgets on their own: the option bar's presses, refusal and SetTLast, the pan pad,
// the title bar's strips, lamps and clock, the side panel's lists and presses, and the camera
// assignment dialog's checks.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "common/programdir.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/lightsettingdialog.h"
#include "mainscreen/optionbar.h"
#include "mainscreen/titlebar.h"
#include "mainscreen/widgetchangecamera.h"
#include "vision/camera/cameradiscovery.h"
#include "widgets/boptionbutton.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/finetuningdialog.h"
#include "widgets/modalhook.h"
#include "widgets/toolkithost.h"
#include "widgets/warnbox.h"

namespace {

QString Row(int row)
{
    return gaLanStr[row * LAN_COUNT + gLan];
}

class PanHost : public ToolkitHost {
public:
    void SlotMoveT() override { calls << "T"; }
    void SlotMoveB() override { calls << "B"; }
    void SlotMoveL() override { calls << "L"; }
    void SlotMoveR() override { calls << "R"; }
    void MRecovery() override { calls << "all"; }
    QStringList calls;
};

class Chrome : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data_Init();
        qRegisterMetaType<OptionBar::BTN_TYPE>("OptionBar::BTN_TYPE");
        savedLan = gLan;
        gLan = 1;
        if (!gpWPara) {
            gpWPara = new WizardPara;
            gpWParaBak = new WizardPara;
        }
        saved = *gpWPara;
        // The widgets alone: a main window another test left is not theirs.
        savedWin = gpWin;
        gpWin = nullptr;
        OptionBar::setSettingsShownProbe([] { return false; });
        setModalHook([this](QDialog& d) {
            auto* warn = dynamic_cast<WarnBox*>(&d);
            warnings << (warn ? warn->text() : QString(d.metaObject()->className()));
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override
    {
        setModalHook({});
        OptionBar::setSettingsShownProbe({});
        *gpWPara = saved;
        gLan = savedLan;
        gpWin = savedWin;
    }

    ProgramDir dir;
    WizardPara saved;
    int savedLan = 0;
    MainWindow* savedWin = nullptr;
    QStringList warnings;
};

}  // namespace

TEST_F(Chrome, OptionBarEmitsEachTypeOnce)
{
    OptionBar bar;
    QSignalSpy spy(&bar, &OptionBar::btnsToggled);
    for (int t = 1; t <= 7; ++t) {
        BOptionButton* b = bar.button(OptionBar::BTN_TYPE(t));
        ASSERT_NE(b, nullptr);
        b->setVisible(true);  // the statistics button is hidden but still reports
        QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_EQ(spy.count(), 1) << t;
        EXPECT_EQ(spy.at(0).at(0).value<OptionBar::BTN_TYPE>(), OptionBar::BTN_TYPE(t));
        EXPECT_TRUE(spy.at(0).at(1).toBool());
        EXPECT_EQ(bar.lastType(), OptionBar::BTN_TYPE(t));
        spy.clear();
        // Unchecking acts as well: the controller ignores the flag.
        QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_EQ(spy.count(), 1) << t;
        EXPECT_FALSE(spy.at(0).at(1).toBool());
        spy.clear();
    }
    // The product snapshot goes straight to the controller, never through the signal.
    QTest::mouseClick(bar.proSnapshotButton(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(" | ").toStdString();
    EXPECT_TRUE(bar.button(OptionBar::BTN_STATISTICS) != nullptr);
    EXPECT_EQ(bar.button(OptionBar::BTN_START_STOP)->text(), "Stop Detection");
    EXPECT_EQ(bar.button(OptionBar::BTN_SETTINGS)->text(), "System settings");
}

TEST_F(Chrome, OptionBarRefusesWhileTheSettingsScreenIsShown)
{
    OptionBar bar;
    QSignalSpy spy(&bar, &OptionBar::btnsToggled);
    OptionBar::setSettingsShownProbe([] { return true; });
    for (int t = 1; t <= 7; ++t)
        QTest::mouseClick(bar.button(OptionBar::BTN_TYPE(t)), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 0);
    ASSERT_EQ(warnings.size(), 7);
    EXPECT_EQ(warnings.first(), "please exit system setup!");
    OptionBar::setSettingsShownProbe([] { return false; });
    QTest::mouseClick(bar.button(OptionBar::BTN_AREA), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(Chrome, SetTLastUnchecksSilently)
{
    OptionBar bar;
    BOptionButton* settings = bar.button(OptionBar::BTN_SETTINGS);
    QTest::mouseClick(settings, Qt::LeftButton);
    ASSERT_TRUE(settings->isChecked());
    ASSERT_EQ(bar.lastType(), OptionBar::BTN_SETTINGS);
    QSignalSpy emitted(&bar, &OptionBar::btnsToggled);
    QSignalSpy toggled(settings, &QAbstractButton::toggled);
    bar.SetTLast();
    EXPECT_FALSE(settings->isChecked());
    EXPECT_TRUE(settings->isCheckable());
    EXPECT_EQ(bar.lastType(), OptionBar::BTN_NONE);
    EXPECT_EQ(emitted.count(), 0);
    EXPECT_EQ(toggled.count(), 0);
}

TEST_F(Chrome, StartStopButtonFollowsTheRunState)
{
    OptionBar bar;
    BOptionButton* b = bar.button(OptionBar::BTN_START_STOP);
    bar.SetDetecting(false);
    EXPECT_EQ(b->text(), "Start Detection");
    EXPECT_TRUE(b->styleSheet().contains("background-color:#ee2329"));
    bar.SetDetecting(true);
    EXPECT_EQ(b->text(), "Stop Detection");
    EXPECT_TRUE(b->styleSheet().contains("background-color:#4ab74c"));
}

TEST_F(Chrome, OneTapOnThePadIsOneStep)
{
    PanHost host;
    ToolkitHost* previous = ToolkitHost::setInstance(&host);
    {
        OptionBar bar;
        FinetuningDialog* pad = bar.finetuning();
        QTest::mouseClick(pad->upButton(), Qt::LeftButton);
        QTest::mouseClick(pad->downButton(), Qt::LeftButton);
        QTest::mouseClick(pad->leftButton(), Qt::LeftButton);
        QTest::mouseClick(pad->rightButton(), Qt::LeftButton);
        QTest::mouseClick(pad->wholeButton(), Qt::LeftButton);
        delete pad;
    }
    ToolkitHost::setInstance(previous);
    EXPECT_EQ(host.calls, QStringList({"T", "B", "L", "R", "all"}));
}

TEST_F(Chrome, TitleBarStripsAndTiming)
{
    TitleBar bar;
    bar.show();
    EXPECT_EQ(bar.height(), 98);
    EXPECT_EQ(bar.cameraInfo(0)->message(), "1相机检测信息");
    EXPECT_EQ(bar.cameraInfo(3)->message(), "4相机检测信息");
    EXPECT_EQ(bar.timing(), "0.0s");
    EXPECT_EQ(bar.location(), "311,432,0");

    bar.setCameraInfo(1, CameraInfo::MESSAGE, "waiting", MESSAGE_NORMAL);
    EXPECT_EQ(bar.cameraInfo(1)->message(), "waiting");
    EXPECT_EQ(bar.cameraInfo(1)->messageIcon(), ":/img/icons/15.png");
    bar.setCameraInfo(1, 1, "NG", 1);
    EXPECT_EQ(bar.cameraInfo(1)->messageIcon(), ":/img/icons/warning2.png");
    bar.setCameraInfo(1, CameraInfo::MESSAGE, "x", MessageType(7));
    EXPECT_EQ(bar.cameraInfo(1)->messageIcon(), ":/img/icons/warning2.png");
    bar.setCameraInfo(2, 2, "120");
    bar.setCameraInfo(2, 3, "4");
    EXPECT_EQ(bar.cameraInfo(2)->layerNum(), "120");
    EXPECT_EQ(bar.cameraInfo(2)->ngNum(), "4");

    // Cameras 5-8 have no strip; any other type reaches the timing label whatever the camera.
    bar.setCameraInfo(5, 1, "lost");
    bar.setCameraInfo(4, 3, "9");
    for (int c = 0; c < 4; ++c)
        EXPECT_NE(bar.cameraInfo(c)->message(), "lost");
    bar.setCameraInfo(6, 0, "25");
    EXPECT_EQ(bar.timing(), "25");
    bar.setCameraInfo(0, 9, "12");
    EXPECT_EQ(bar.timing(), "12");
    bar.setLocation("10, 20, 128");
    EXPECT_EQ(bar.location(), "10, 20, 128");
}

TEST_F(Chrome, TitleBarLampsAndClock)
{
    TitleBar bar;
    for (int lamp = 0; lamp < 8; ++lamp)
        EXPECT_EQ(bar.lampPicture(lamp), lamp < 4 ? 19 + 2 * lamp : 27 + 2 * (lamp - 4)) << lamp;
    bar.promptSwitching_State(0, 0, 5);
    EXPECT_EQ(bar.lampPicture(0), 18);
    EXPECT_EQ(bar.lamp(0)->pixmap()->size(), QSize(38, 38));
    bar.promptSwitching_State(1, 3, 1);
    bar.promptSwitching_State(1, 3, 0);
    EXPECT_EQ(bar.lampPicture(7), 33);
    bar.promptSwitching_State(1, 2, 1);
    EXPECT_EQ(bar.lampPicture(6), 30);
    EXPECT_EQ(bar.lamp(6)->pixmap()->toImage(),
              QPixmap(":/img/icons/30.png").scaled(38, 38, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).toImage());

    EXPECT_EQ(bar.time(), "00:00");
    EXPECT_EQ(bar.date(), "0000-00-00");
    bar.SlotClock();
    EXPECT_EQ(bar.time().size(), 8);
    EXPECT_EQ(bar.date(), QDate::currentDate().toString("yyyy-MM-dd"));
}

TEST_F(Chrome, SidePanelListsAndSnapshots)
{
    gpWPara->stage_count = 2;
    gpWPara->snap_shot = 1;
    gpWPara->first_stage_on = 0;
    gpWPara->io_mode = 0;
    IndexButton panel(nullptr);
    EXPECT_EQ(panel.geometry(), QRect(gShowW - 240, 0, 240, gShowH));
    ASSERT_EQ(panel.choice()->count(), 2);
    EXPECT_EQ(panel.choice()->itemText(0), "1st");
    EXPECT_EQ(panel.choice()->itemText(1), "2nd");
    EXPECT_FALSE(panel.command(IndexButton::PRO_SNAPSHOT)->isVisibleTo(&panel));
    EXPECT_TRUE(panel.command(IndexButton::MOLD_SNAPSHOT)->isVisibleTo(&panel));
    EXPECT_FALSE(panel.choice()->isVisibleTo(&panel));
    EXPECT_FALSE(panel.command(IndexButton::HELP)->isVisibleTo(&panel));

    gpWPara->first_stage_on = 1;
    panel.ShowHide(0);
    EXPECT_TRUE(panel.command(IndexButton::PRO_SNAPSHOT)->isVisibleTo(&panel));
    gpWPara->io_mode = 4;
    gpWPara->stage_count = 8;
    panel.Reset();
    EXPECT_FALSE(panel.command(IndexButton::PRO_SNAPSHOT)->isVisibleTo(&panel));
    EXPECT_FALSE(panel.command(IndexButton::MOLD_SNAPSHOT)->isVisibleTo(&panel));
    EXPECT_EQ(panel.choice()->count(), 8);
    panel.choice()->setCurrentIndex(5);
    EXPECT_EQ(panel.CurChooseTrig(), 5);
}

TEST_F(Chrome, SidePanelPressWidthRoundsToTheNearestPixel)
{
    IndexButton panel(nullptr);
    panel.show();
    auto press = [&](double x) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, 300), panel.mapToGlobal(QPoint(int(x), 300)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&panel, &e);
        QMouseEvent r(QEvent::MouseButtonRelease, QPointF(x, 300), panel.mapToGlobal(QPoint(int(x), 300)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&panel, &r);
    };
    press(109.6);
    EXPECT_FALSE(panel.GetShowFlag());
    press(109.4);
    EXPECT_TRUE(panel.GetShowFlag());
    press(20);
    EXPECT_FALSE(panel.GetShowFlag());
    panel.SetShowFlag(true);
    panel.SlotShowHideTimeout();
    EXPECT_FALSE(panel.GetShowFlag());
}

TEST_F(Chrome, CameraAssignmentRefusesRepeatsAndUnstorableOrders)
{
    const int savedCount = numCamera, savedMake = gCameraID;
    numCamera = 3;
    gCameraID = CAMERA_HIK;
    WidgetChangeCamera dlg(nullptr);
    EXPECT_EQ(dlg.geometry(), QRect(gShowW / 2 - 275, gShowH / 2 - 280, 550, 560));
    EXPECT_EQ(dlg.confirmButton()->geometry(), QRect(30, 490, 490, 50));
    ASSERT_EQ(dlg.cameraCount(), 3);
    EXPECT_EQ(dlg.choice(3), nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(gCamNO[i], i);
        ASSERT_EQ(dlg.choice(i)->count(), 3);
        EXPECT_EQ(dlg.choice(i)->itemText(2), "NO.3");
        EXPECT_EQ(dlg.choice(i)->itemData(2).toInt(), 2);
        EXPECT_EQ(dlg.choice(i)->currentIndex(), i);
    }
    dlg.show();
    // A choice is written at once.
    dlg.choice(0)->setCurrentIndex(1);
    dlg.choice(2)->setCurrentIndex(0);
    EXPECT_EQ(gCamNO[0], 1);
    EXPECT_EQ(gCamNO[2], 0);
    QTest::mouseClick(dlg.confirmButton(), Qt::LeftButton);
    ASSERT_EQ(warnings, QStringList({"2 repeating, please revise!"}));
    EXPECT_TRUE(dlg.isVisible());

    // A make whose serials cannot be stored: a changed order is refused with its own warning.
    gCameraID = CAMERA_DAHENG;
    dlg.choice(1)->setCurrentIndex(2);
    QTest::mouseClick(dlg.confirmButton(), Qt::LeftButton);
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_EQ(warnings.last(), Row(592));
    EXPECT_TRUE(dlg.isVisible());
    // Put back unchanged, Confirm just closes the dialog.
    for (int i = 0; i < 3; ++i)
        dlg.choice(i)->setCurrentIndex(i);
    QTest::mouseClick(dlg.confirmButton(), Qt::LeftButton);
    EXPECT_EQ(warnings.size(), 2);
    EXPECT_FALSE(dlg.isVisible());
    numCamera = savedCount;
    gCameraID = savedMake;
}

TEST_F(Chrome, LightSettingsDialogAnswers)
{
    lightsettingdialog d;
    EXPECT_EQ(d.text(), "网络设置");
    d.setText("light");
    EXPECT_EQ(d.text(), "light");
    setModalHook([](QDialog& dlg) {
        auto& l = static_cast<lightsettingdialog&>(dlg);
        dlg.show();
        QTest::mouseClick(l.okButton(), Qt::LeftButton);
        return dlg.result();
    });
    EXPECT_EQ(execModal(d), int(QDialog::Accepted));
    setModalHook([](QDialog& dlg) {
        auto& l = static_cast<lightsettingdialog&>(dlg);
        dlg.show();
        QTest::mouseClick(l.cancelButton(), Qt::LeftButton);
        return dlg.result();
    });
    EXPECT_EQ(execModal(d), int(QDialog::Rejected));
}
