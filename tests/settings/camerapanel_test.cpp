// The floating camera panel: out over the main screen and back into its page, and the gain it
// tunes reaching the camera while the settings screen is hidden.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "common/programdir.h"
#include "common/windowstart.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "mainscreen/imagecontainer.h"
#include "settings/cameraparamswidget.h"
#include "vision/camera/camerafixture.h"
#include "vision/controller/mainwindow.h"
#include "widgets/modalhook.h"

namespace {

struct Window {
    ProgramDir dir;
    WizardPara para, paraBak;
    MainWindow* win = nullptr;
    Window()
    {
        PrepareWindowDir(dir);
        setModalHook([](QDialog&) { return int(QDialog::Rejected); });
        gpWPara = &para;
        gpWParaBak = &paraBak;
        win = StartMainWindow();
        setModalHook({});
    }
};

Window& W()
{
    static Window* w = new Window;
    gpWPara = &w->para;
    gpWParaBak = &w->paraBak;
    gpWin = w->win;
    return *w;
}

QImage IconImage(const QIcon& icon)
{
    return icon.pixmap(52, 52).toImage();
}

TEST(CameraPanel, FloatsOverTheMainScreenAndReturnsToItsPage)
{
    MainWindow* win = W().win;
    win->mainStack->setCurrentIndex(1);
    win->imageContainer->setSplitMode(3);
    CameraParamsWidget page(nullptr);
    page.resize(1500, 900);
    page.show();
    CameraParamsSubWidget* panel = page.subWidget;
    QCoreApplication::processEvents();
    const QSize docked = panel->size();
    auto* column = qobject_cast<QVBoxLayout*>(page.layout());
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->indexOf(panel), 0);

    panel->viewButton->click();
    EXPECT_TRUE(panel->isWindow());
    EXPECT_EQ(panel->parentWidget(), nullptr);
    EXPECT_TRUE(panel->isFloating());
    EXPECT_EQ(panel->pos(), QPoint(342, 653));
    EXPECT_EQ(panel->size(), QSize(1105, 325));
    EXPECT_EQ(panel->layout()->contentsMargins(), QMargins(20, 20, 20, 20));
    EXPECT_EQ(IconImage(panel->viewButton->icon()), IconImage(QIcon(":/img/icons/58-1.png")));
    EXPECT_TRUE(panel->previousButton->isVisible());
    EXPECT_TRUE(panel->nextButton->isVisible());
    EXPECT_EQ(win->mainStack->currentIndex(), 0) << "the live views show";
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);

    panel->viewButton->click();
    EXPECT_FALSE(panel->isWindow());
    EXPECT_FALSE(panel->isFloating());
    EXPECT_EQ(panel->parentWidget(), &page);
    EXPECT_EQ(column->indexOf(panel), 0);
    EXPECT_EQ(panel->layout()->contentsMargins(), QMargins(50, 50, 50, 50));
    EXPECT_EQ(IconImage(panel->viewButton->icon()), IconImage(QIcon(":/img/icons/58.png")));
    EXPECT_FALSE(panel->previousButton->isVisible());
    EXPECT_FALSE(panel->nextButton->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::NonModal);
    EXPECT_EQ(win->mainStack->currentIndex(), 1);
    EXPECT_EQ(win->imageContainer->splitMode(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->size(), docked);
    EXPECT_EQ(panel->minimumSize(), QSize(0, 0)) << "no longer fixed";
}

TEST(CameraPanel, PageGoneWhileFloatingTakesThePanelAlong)
{
    W();
    QPointer<CameraParamsSubWidget> panel;
    {
        CameraParamsWidget page(nullptr);
        panel = page.subWidget;
        panel->viewButton->click();
        ASSERT_TRUE(panel->isWindow());
        panel->viewButton->setChecked(false);
        panel->viewButton->setChecked(true);
    }
    EXPECT_TRUE(panel.isNull());
    W().win->cameraPramsAdjust(false);
}

// The camera side: a panel floating over the main screen and the settings screen hidden.
class FloatingPanelHost : public RecordingHost {
public:
    bool panel = false;
    bool cameraPanelVisible() const override { return panel; }
};

class FloatingPanelTuning : public CameraTest {
protected:
    FloatingPanelHost panelHost;
    void SetUp() override
    {
        CameraTest::SetUp();
        setCameraHost(&panelHost);
    }
    QStringList GainCalls() const
    {
        return camsim::CamSim::instance().calls().filter("CameraSetAnalogGain");
    }
};

TEST_F(FloatingPanelTuning, GainAndExposureReadTheEditCopyWhileThePanelFloats)
{
    UseSim("mindvision", {SimDevice("MV0000001")});
    CheckCameraID();
    MakeViews(1);
    ASSERT_TRUE(View(0)->cameraOpened());
    para.gain[0] = 10;
    camsim::CamSim::instance().clearCalls();
    View(0)->SetAdjustPlus();
    const QStringList atTen = GainCalls();
    ASSERT_FALSE(atTen.isEmpty());

    para.gain[0] = 50;
    paraBak.gain[0] = 10;
    camsim::CamSim::instance().clearCalls();
    View(0)->SetAdjustPlus();
    const QStringList inForce = GainCalls();
    EXPECT_NE(inForce, atTen) << "the panel is docked: the record in force";

    panelHost.panel = true;
    camsim::CamSim::instance().clearCalls();
    View(0)->SetAdjustPlus();
    EXPECT_EQ(GainCalls(), atTen) << "floating: the gain moved on the panel";
    panelHost.panel = false;
    for (auto& v : views)
        v->CameraStop();
}

}  // namespace
