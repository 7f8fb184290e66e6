// The chrome inside the main window built as at start-up (no camera, no board): the status panel
// drives the title-bar lamps from the board's words and draws output 3's picture, a press on it
// logs out except on the editing controls under it, and the whole screen in each language.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTest>

#include "common/programdir.h"
#include "common/windowstart.h"
#include "common/windowworld.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/chromerules.h"
#include "mainscreen/imagecontainer.h"
#include "mainscreen/indexbutton.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/optionbar.h"
#include "mainscreen/titlebar.h"
#include "mainscreen/viewhost.h"
#include "mainscreen/widgetchangecamera.h"
#include "core/parameterstore.h"
#include "widgets/combobox.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "widgets/boptionbutton.h"
#include "widgets/colorbutton.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

namespace {

struct Window {
    ProgramDir dir;
    QStringList texts;
    MainWindow* win = nullptr;
    WindowWorld* world = nullptr;

    Window()
    {
        PrepareWindowDir(dir);
        setModalHook([this](QDialog& d) {
            auto* warn = dynamic_cast<WarnBox*>(&d);
            texts << (warn ? warn->text() : QString(d.metaObject()->className()));
            return int(QDialog::Rejected);
        });
        win = StartMainWindow();
        win->show();
        world = new WindowWorld(win, dir.path());
    }
};

Window& W()
{
    static Window* w = new Window;
    w->world->Restore();
    return *w;
}

// Latches an input word into the board's front end as the cycle would.
void SetInputs(unsigned word)
{
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = qint32(word);
    }
    gpControlIO->IOInTrigger(0);
}

void SetOutputs(unsigned word)
{
    for (int n = 0; n < 4; ++n)
        gpControlIO->IOSetOut(n, (word >> n) & 1u);
}

}  // namespace

TEST(ChromeWindow, StatusPanelDrivesTheTitleBarLamps)
{
    MainWindow* win = W().win;
    ASSERT_NE(win->ioStatusWidget, nullptr);
    ASSERT_NE(win->titleBar, nullptr);
    IOStatusWidget* panel = win->ioStatusWidget;
    EXPECT_EQ(panel->parentWidget(), win->imageContainer);
    EXPECT_EQ(panel->geometry(), QRect(0, gShowH - 180, gShowW, 180));

    gpWPara->io_mode = 0;
    for (int& n : gpWPara->input_polarity)
        n = 0;
    for (int& n : gpWPara->output_polarity)
        n = 0;
    SetInputs(0b1010);
    SetOutputs(0b0101);
    EXPECT_TRUE(panel->isVisible());
    const QImage shot = panel->grab().toImage();  // a paint, as the cycle requests every pass
    TitleBar* bar = win->titleBar;
    const int want[8] = {19, 20, 23, 24, 26, 29, 30, 33};
    for (int lamp = 0; lamp < 8; ++lamp) {
        const int io = lamp / 4, index = lamp % 4;
        EXPECT_EQ(bar->lampPicture(lamp), lampPictureNumber(io, index, gpControlIO->IOState(io, index)))
            << lamp;
        EXPECT_EQ(bar->lampPicture(lamp), want[lamp]) << lamp;
    }
    EXPECT_EQ(panel->drawnOutputState(), 1);
    EXPECT_EQ(panel->drawnOutputRect(), QRect(472, 180 - 85, 70, 80));
    const QImage on = gpPixmapOUT[1]->scaled(70, 80).toImage();
    EXPECT_EQ(shot.pixel(472 + 35, 95 + 40), on.pixel(35, 40));

    // Mode 4 with every stage on input 2: only the second input lamp follows the board.
    gpWPara->io_mode = 4;
    for (int& t : gpWPara->stage_trigger_input)
        t = 1;
    SetInputs(0b0101);
    SetOutputs(0b0000);
    panel->grab();
    EXPECT_EQ(bar->lampPicture(0), 19);
    EXPECT_EQ(bar->lampPicture(1), 21);
    EXPECT_EQ(bar->lampPicture(2), 23);
    EXPECT_EQ(bar->lampPicture(3), 24);
    EXPECT_EQ(panel->drawnOutputState(), 0);
    EXPECT_EQ(panel->drawnOutputRect().x(), 157);
    gpWPara->io_mode = 0;
}

// Counts the paints a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(ChromeWindow, PassesRepaintThePanelOnlyWhenItsPictureChanges)
{
    MainWindow* win = W().win;
    IOStatusWidget* panel = win->ioStatusWidget;
    TitleBar* bar = win->titleBar;
    win->selectedView = numCamera;
    win->ChangeCammer();
    panel->show();
    gpWPara->io_mode = 0;
    for (int& n : gpWPara->input_polarity)
        n = 0;
    for (int& n : gpWPara->output_polarity)
        n = 0;
    SetInputs(0);
    SetOutputs(0);
    panel->Refresh();
    QCoreApplication::processEvents();
    PaintCounter onPanel;
    panel->installEventFilter(&onPanel);
    for (int pass = 0; pass < 5; ++pass)
        panel->Refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(onPanel.paints, 0) << "nothing changed";

    // An input lamp follows the board without a paint of the panel.
    SetInputs(0b0001);
    panel->Refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->lampPicture(0), lampPictureNumber(0, 0, 1));
    EXPECT_EQ(onPanel.paints, 0);

    // Output 3 switches: its picture is repainted.
    SetOutputs(0b0100);
    panel->Refresh();
    QCoreApplication::processEvents();
    EXPECT_GE(onPanel.paints, 1);
    EXPECT_EQ(panel->drawnOutputState(), 1);
    EXPECT_EQ(bar->lampPicture(6), lampPictureNumber(1, 2, 1));
    panel->removeEventFilter(&onPanel);
    SetInputs(0);
    SetOutputs(0);
}

TEST(ChromeWindow, PressOnThePanelLogsOutButNotOnTheEditingControls)
{
    MainWindow* win = W().win;
    IOStatusWidget* panel = win->ioStatusWidget;
    panel->show();
    panel->raise();
    // The single view with one region move button shown under the panel.
    win->selectedView = 0;
    win->ChangeCammer();
    CammerWidget* view = win->cammerWidget[0];
    ASSERT_TRUE(view->isVisible());
    QPushButton* move = view->btnMoveUp;
    ASSERT_NE(move, nullptr);
    move->show();
    move->raise();
    // The count lives only as long as the case: so does its connection.
    QObject listener;
    int clicks = 0;
    QObject::connect(move, &QPushButton::clicked, &listener, [&clicks] { ++clicks; });
    const QPoint onMove = panel->mapFromGlobal(move->mapToGlobal(move->rect().center()));
    ASSERT_TRUE(panel->rect().contains(onMove));

    win->userLevel = 2;
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, onMove);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(win->userLevel, 2);

    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(40, 60));
    EXPECT_EQ(win->userLevel, 0);
    move->hide();
}

TEST(ChromeWindow, ViewsFeedTheTitleBar)
{
    MainWindow* win = W().win;
    viewHost()->setCameraInfo(1, 1, "camera 2 waiting");
    viewHost()->setCameraInfo(1, 3, "7");
    viewHost()->setCameraInfo(1, 2, "120");
    viewHost()->setCameraInfo(0, 0, "18");
    viewHost()->setLocation("10, 20, 128");
    CameraInfo* strip = win->titleBar->cameraInfo(1);
    EXPECT_EQ(strip->message(), "camera 2 waiting");
    EXPECT_EQ(strip->messageIcon(), ":/img/icons/warning2.png");
    EXPECT_EQ(strip->ngNum(), "7");
    EXPECT_EQ(strip->layerNum(), "120");
    EXPECT_EQ(win->titleBar->timing(), "18");
    EXPECT_EQ(win->titleBar->location(), "10, 20, 128");
}

TEST(ChromeWindow, SidePanelPassesPressesToTheZoomButtons)
{
    MainWindow* win = W().win;
    IndexButton* side = win->indexButton;
    side->show();
    side->raise();
    win->selectedView = 0;
    win->ChangeCammer();
    ASSERT_TRUE(win->zoomInButton->isVisible());
    ASSERT_EQ(win->zoomToolMode, 1);
    const QPoint at = side->mapFromGlobal(win->zoomInButton->mapToGlobal(win->zoomInButton->rect().center()));
    ASSERT_TRUE(side->rect().contains(at));
    QTest::mouseClick(side, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(win->zoomToolMode, 2);  // the first press opens the zoom tools
    win->MShowHide(1);
}

namespace {
QStringList Serials()
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(SERIAL_DB_CONNECTION, false));
    for (int i = 0; i < 8; ++i) {
        q.prepare("SELECT value FROM sysparam WHERE name = ?");
        q.addBindValue(QString("serialNB%1").arg(i));
        out << ((q.exec() && q.next()) ? q.value(0).toString() : QString("?"));
    }
    return out;
}

void SetSerials(const QString& value)
{
    QSqlQuery q(QSqlDatabase::database(SERIAL_DB_CONNECTION, false));
    for (int i = 0; i < 8; ++i) {
        q.prepare("UPDATE sysparam SET value = ? WHERE name = ?");
        q.addBindValue(value);
        q.addBindValue(QString("serialNB%1").arg(i));
        q.exec();
    }
}
}  // namespace

TEST(ChromeWindow, CameraAssignmentStoresOnlyAValidOrder)
{
    Window& w = W();
    MainWindow* win = w.win;
    const int savedMake = gCameraID;
    SetSerials("SER");
    const QStringList before = Serials();
    ASSERT_EQ(before.first(), "SER");
    gCameraID = CAMERA_HIK;
    WidgetChangeCamera dlg(win);
    ASSERT_EQ(dlg.cameraCount(), numCamera);
    dlg.show();
    dlg.choice(1)->setCurrentIndex(0);
    const int asked = w.texts.size();
    QTest::mouseClick(dlg.confirmButton(), Qt::LeftButton);
    ASSERT_EQ(w.texts.size(), asked + 1);
    EXPECT_EQ(w.texts.last(), gaLanStr[361 * LAN_COUNT + gLan].arg(1));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Serials(), before);

    // Views 0 and 1 swapped: the serial order is rewritten (no real camera answers here, so no
    // slot keeps its old serial) and the dialog closes.
    dlg.choice(0)->setCurrentIndex(1);
    QTest::mouseClick(dlg.confirmButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    // Then the shut-down asks its question (a choice box, declined here).
    ASSERT_EQ(w.texts.size(), asked + 2);
    EXPECT_EQ(w.texts.last(), "QDialog");
    for (const QString& s : Serials())
        EXPECT_NE(s, "SER");
    gCameraID = savedMake;
}

// Set MOULDMON_CHROME_SHOTS to a directory to save the whole screen in the three languages.
TEST(ChromeWindow, WholeScreenInEachLanguage)
{
    MainWindow* win = W().win;
    const QString out = qEnvironmentVariable("MOULDMON_CHROME_SHOTS");
    win->selectedView = numCamera;
    win->ChangeCammer();
    win->ioStatusWidget->show();
    const int saved = gLan;
    const char* names[3] = {"zh-hans", "en", "zh-hant"};
    for (int lan = 0; lan < 3; ++lan) {
        gLan = lan;
        // The bars read their texts when built, as after the restart a language change asks for.
        auto* bar = new OptionBar;
        QWidget* old = win->optionStack->widget(0);
        win->optionStack->insertWidget(0, bar);
        win->optionStack->removeWidget(old);
        win->optionStack->setCurrentIndex(0);
        win->optionBar = bar;
        old->deleteLater();
        QCoreApplication::processEvents();
        const QImage shot = win->grab().toImage();
        EXPECT_EQ(shot.size(), QSize(1920, 1080));
        EXPECT_EQ(win->titleBar->geometry(), QRect(0, 0, 1920, 98));
        EXPECT_EQ(win->imageContainer->geometry().size(), QSize(gShowW, gShowH));
        // Every option button lies inside the window, none cut off.
        for (int t = 1; t <= 7; ++t) {
            BOptionButton* b = bar->button(OptionBar::BTN_TYPE(t));
            if (!b->isVisibleTo(win))
                continue;
            const QRect r(b->mapTo(win, QPoint(0, 0)), b->size());
            EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(r)) << t;
        }
        if (!out.isEmpty()) {
            QDir().mkpath(out);
            EXPECT_TRUE(shot.save(QString("%1/main-%2.png").arg(out, names[lan])));
        }
    }
    gLan = saved;
}
