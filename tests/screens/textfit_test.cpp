// Every screen, page, pop-up, bar and dialog of the real main window, shown at its real size in each
// of the three languages with the program's style sheet and fonts: every visible caption fits the
// room its widget gives it, and no control lies partly outside its window. One list of screens
// serves all: a new page is one line in Screens().
// With MOULDMON_TEXTFIT_SHOTS naming a folder, each screen is also saved there as a PNG (run under
// Xvfb with QT_QPA_PLATFORM=xcb for the pictures the machine shows).
#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include "common/programdir.h"
#include "common/windowstart.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/startup.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "platform/camsdk/camsim.h"
#include "vision/camera/cameradiscovery.h"
#include "mainscreen/lightsettingdialog.h"
#include "mainscreen/optionbar.h"
#include "mainscreen/regioption.h"
#include "mainscreen/widgetchangecamera.h"
#include "network/cnt_net.h"
#include "settings/advancefuncwidget.h"
#include "settings/customionamewidget.h"
#include "settings/deviceparamswidget.h"
#include "settings/hardwareconfigurationwidget.h"
#include "settings/helpwidget.h"
#include "settings/ioparamswidget.h"
#include "settings/iocheckcombo.h"
#include "settings/iowidget.h"
#include "settings/systemsettingwidget.h"
#include "statistics/resstatisticsparam.h"
#include "textmeasure.h"
#include "vision/controller/mainwindow.h"
#include "widgets/bmessagebox.h"
#include "widgets/checkbox.h"
#include "widgets/choosebox.h"
#include "widgets/blineedit.h"
#include "widgets/choosecalinumwidget.h"
#include "widgets/digitalkeyboard.h"
#include "widgets/finetuningdialog.h"
#include "widgets/fullkeyboard.h"
#include "widgets/modifytimewidget.h"
#include "widgets/passwordbox.h"
#include "widgets/textrow.h"
#include "widgets/warnbox.h"
#include "common/windowworld.h"

namespace {

const char* const kLanguages[] = {"Simplified Chinese", "English", "Traditional Chinese"};

// The record the window starts from: the defaults in language `lan`, with multi-detection of three
// stages in force (its pages are built only then).
void StoreRecord(int lan)
{
    WizardPara p = DefaultParameterRecord();
    p.io_mode = p.io_mode_chosen = 4;
    p.stage_count = 3;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "textfitRecord");
        db.setDatabaseName("PARAM.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("DELETE FROM sysparam"));
        for (const ParamRow& row : ParamRows(p, lan)) {
            q.prepare("INSERT INTO sysparam VALUES(?, ?)");
            q.addBindValue(row.key);
            q.addBindValue(row.value);
            ASSERT_TRUE(q.exec());
        }
    }
    QSqlDatabase::removeDatabase("textfitRecord");
}

// One main window a language: the texts are taken when the screens are built.
struct Program {
    ProgramDir dir;
    ModalAnswers modal;
    MainWindow* win = nullptr;
    explicit Program(int lan)
    {
        PrepareWindowDir(dir, false);
        ServeSimulatedCameras(dir, 4, 4);  // the views, camera pages and assignment of four cameras
        StoreRecord(lan);
        if (!gpNet)
            gpNet = new CNT_Net;
        win = StartMainWindow();
        EXPECT_EQ(gLan, lan);
        EXPECT_EQ(numCamera, 4);
        qunsetenv("MOULDMON_SIMCAM");
        win->runTimer->stop();
        win->setFixedSize(1920, 1080);  // the screen's size, whatever the test platform's screen
        world = new WindowWorld(win, dir.path());
    }
    // The globals, hosts and directory this window was built with: another language's window
    // built later in the same process replaced them.
    WindowWorld* world = nullptr;
};

Program& ProgramIn(int lan)
{
    static Program* programs[3] = {};
    StopWindowThreadsAtExit();
    if (!programs[lan]) {
        programs[lan] = new Program(lan);
        // As the start-up does: the application font and style sheet come after the main window is
        // built, before it is shown (the order decides which fonts the style sheet overrides).
        InstallApplicationFont();
        qApp->setStyleSheet(QString());
        qApp->setStyleSheet(ApplicationStyleSheet());
    }
    programs[lan]->world->Restore();
    programs[lan]->win->runTimer->stop();
    gLan = lan;
    programs[lan]->win->show();
    return *programs[lan];
}

SystemSettingWidget* Settings(MainWindow* win)
{
    return win->settingWidget;
}

// The operator opens the settings (the edit copy taken from the record in force) with the states
// that show the most: the factory switch ticked, multi-detection with three stages.
void OpenSettings(MainWindow* win, int ioMode = 4)
{
    gpWPara->io_mode = gpWPara->io_mode_chosen = ioMode;
    gpWPara->stage_count = 3;
    *gpWParaBak = *gpWPara;
    win->mainStack->setCurrentIndex(0);
    win->optionStack->setCurrentIndex(0);
    Settings(win)->Leave();
    Settings(win)->BeginEdit();
    win->mainStack->setCurrentIndex(1);
    Settings(win)->show();
    Settings(win)->advanceFunc->factoryParam->setChecked(true);
}

QWidget* SettingsPage(MainWindow* win, int tab, int ioMode = 4)
{
    OpenSettings(win, ioMode);
    QTest::mouseClick(Settings(win)->tabButtons().at(tab), Qt::LeftButton);
    if (tab == 9) {  // the procedure radios show what the chosen procedure needs
        if (QAbstractButton* b = Settings(win)->ioParams->procedureGroup()->button(ioMode))
            b->click();
    }
    return win;
}

QWidget* MainScreen(MainWindow* win, int bar)
{
    Settings(win)->Leave();
    win->mainStack->setCurrentIndex(0);
    win->optionStack->setCurrentIndex(bar);
    return win;
}

QWidget* Statistics(MainWindow* win)
{
    // Shown data: 1 NG in 11 (NG rate "9.09091%"), four-digit counts in one hour of each shift.
    ResStatisticsParam* store = gpResStatisticsParam;
    store->beginWrites();
    store->resetTotal(0xffffff, 1);
    auto add = [store](int slot, bool ok, int n) {
        for (int i = 0; i < n; ++i)
            store->addTotal(slot, ok, 1);
    };
    add(2, true, 1000);
    add(2, false, 100);
    add(14, true, 9000);
    add(14, false, 900);
    store->endWrites();
    MainScreen(win, 0);
    // As the option bar opens it, then one tick of its own refresh.
    win->SlotShowStatisticsWidget();
    const QString clock = win->statisticsWidget->findChild<QLabel*>("clock")->text();
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->statisticsWidget->findChild<QLabel*>("clock")->text() != clock; }, 3000))
        << "no refresh of the statistics screen";
    return win;
}

// A dialog of the toolkit shown as the program shows it (not modal here: nothing waits).
template <typename Dialog>
QWidget* Shown(Dialog* d)
{
    d->show();
    return d;
}

struct Screen {
    QString name;
    std::function<QWidget*(MainWindow*)> show;
    std::function<void(MainWindow*)> close = {};
};

QList<Screen> Screens()
{
    QList<Screen> list;
    list << Screen{"main screen, option bar", [](MainWindow* w) { return MainScreen(w, 0); }}
         << Screen{"main screen, region option bar", [](MainWindow* w) { return MainScreen(w, 1); }}
         << Screen{"main screen, alarm option bar", [](MainWindow* w) { return MainScreen(w, 2); }}
         << Screen{"region editing page",
                   [](MainWindow* w) {
                       MainScreen(w, 0);
                       w->OptBtnsToggledSlot(OptionBar::BTN_AREA, true);
                       return w;
                   },
                   [](MainWindow* w) { w->RegionBtnsToggledSlot(RegiOption::BTN_END_SET, true); }};
    const char* const pages[] = {"system parameters",  "system functions", "device parameters", "camera parameters",
                                 "camera functions",   "network parameters", "other networks",  "system log",
                                 "memorandum",         "I/O parameters",   "I/O functions",     "advanced parameters",
                                 "advanced features",  "about",            "help"};
    for (int tab = 0; tab < 15; ++tab)
        list << Screen{QString("settings, %1").arg(pages[tab]), [tab](MainWindow* w) { return SettingsPage(w, tab); }};
    list << Screen{"settings, help after Return and a touch on its tab", [](MainWindow* w) {
        SettingsPage(w, 14);
        Settings(w)->help->button(1)->click();
        Settings(w)->help->button(3)->click();
        QTest::mouseClick(Settings(w)->tabButtons().at(14), Qt::LeftButton);
        return w;
    }};
    for (int mode : {0, 1, 2, 3})
        list << Screen{QString("settings, I/O parameters, procedure %1").arg(mode),
                       [mode](MainWindow* w) { return SettingsPage(w, 9, mode); }};
    list << Screen{"I/O grid",
                   [](MainWindow* w) {
                       SettingsPage(w, 9);
                       gpWParaBak->stage_count = 6;
                       Settings(w)->ioParams->customIOButton()->click();
                       return static_cast<QWidget*>(Settings(w)->ioWidget);
                   },
                   [](MainWindow* w) { Settings(w)->ioWidget->hide(); }}
         << Screen{"I/O naming page",
                   [](MainWindow* w) {
                       SettingsPage(w, 9);
                       Settings(w)->ioParams->ioNameButton()->click();
                       return w->customIONameWidget->window();
                   },
                   [](MainWindow* w) { w->customIONameWidget->hide(); }}
         << Screen{"hardware configuration page",
                   [](MainWindow* w) {
                       SettingsPage(w, 12);
                       Settings(w)->advanceFunc->hardwareButton->click();
                       return w->hardwareConfigurationWidget->window();
                   },
                   [](MainWindow* w) { w->hardwareConfigurationWidget->hide(); }}
         << Screen{"statistics screen", Statistics, [](MainWindow* w) { w->statisticsWidget->hide(); }}
         << Screen{"camera assignment",
                   [](MainWindow* w) {
                       MainScreen(w, 0);
                       w->widgetChangeCamera->show();
                       return w->widgetChangeCamera->window();
                   },
                   [](MainWindow* w) { w->widgetChangeCamera->hide(); }};
    // Dialogs, each with the longest of the texts it is given in the program.
    auto dialog = [&list](const QString& name, std::function<QWidget*()> make) {
        auto* made = new QWidget*(nullptr);
        list << Screen{name, [make, made](MainWindow*) { return *made = make(); },
                       [made](MainWindow*) {
                           delete *made;
                           *made = nullptr;
                       }};
    };
    for (int row : {234, 527, 324}) {
        dialog(QString("question box, row %1").arg(row), [row] {
            auto* box = new ChooseBox(textRow(566));  // as showChooseBox makes it
            box->setText(textRow(row));
            return Shown(box);
        });
    }
    for (int row : {558, 544, 233}) {
        dialog(QString("warning box, row %1").arg(row), [row] {
            auto* box = new WarnBox(textRow(568));  // as showWarnBox makes it
            box->setText(textRow(row));
            return Shown(box);
        });
    }
    // A cut name is said whole, in lines that keep the box on the screen.
    dialog("warning box, a cut text", [] {
        DeviceParamsWidget page(nullptr);
        page.WizardParaInit();
        page.operatorName->setText(QString("W").repeated(110));
        auto* box = new WarnBox(textRow(568));
        box->setText(page.cutNotes().value(0));
        Shown(box);
        EXPECT_LE(box->width(), 1920);
        return box;
    });
    dialog("message box", [] { return Shown(new BMessageBox(textRow(566), textRow(544), 3, BMessageBoxIcon(0))); });
    dialog("password box", [] { return Shown(new PasswordBox(textRow(569))); });
    dialog("full keyboard", [] { return Shown(new FullKeyboard(textRow(431), QString(), QString())); });
    dialog("digital keyboard", [] {
        return Shown(new DigitalKeyboard(QString::fromUtf8("设置密码"), QString::fromUtf8("建议设置6个以上字符"), QString()));
    });
    dialog("date and time", [] { return Shown(new ModifyTimeWidget(textRow(401))); });
    dialog("calibration points", [] { return Shown(new ChooseCaliNumWidget); });
    dialog("fine tuning", [] { return Shown(new FinetuningDialog); });
    dialog("light settings", [] { return Shown(new lightsettingdialog); });
    return list;
}

class TextFit : public ::testing::TestWithParam<int> {};

TEST_P(TextFit, EveryCaptionFitsItsRoomOnEveryScreen)
{
    const int lan = GetParam();
    Program& program = ProgramIn(lan);
    const QString shots = qEnvironmentVariable("MOULDMON_TEXTFIT_SHOTS");
    if (!shots.isEmpty())
        QDir().mkpath(shots);
    int measured = 0;
    for (const Screen& screen : Screens()) {
        QWidget* window = screen.show(program.win);
        ASSERT_TRUE(window) << screen.name.toStdString();
        QApplication::processEvents();
        window->ensurePolished();
        QApplication::processEvents();
        for (const TextMiss& miss : MeasureWindow(window))
            ADD_FAILURE() << "[" << kLanguages[lan] << "] " << screen.name.toStdString() << ": "
                          << miss.Line().toStdString();
        if (!shots.isEmpty()) {
            QString file = screen.name;
            file.replace(QRegExp("[^A-Za-z0-9]+"), "_");
            window->grab().save(QString("%1/%2_%3.png").arg(shots, file).arg(lan));
        }
        ++measured;
        if (screen.close)
            screen.close(program.win);
    }
    EXPECT_EQ(measured, Screens().size());
    OpenSettings(program.win);
    Settings(program.win)->Leave();
    program.win->mainStack->setCurrentIndex(0);
}

// The grid as first opened with the program's style sheet: the boxes a row may not tick show grey
// captions, the others yellow.
TEST(IOGridColours, DisabledBoxesShowGreyCaptionsFromTheFirstOpening)
{
    Program& program = ProgramIn(1);
    SettingsPage(program.win, 9);
    Settings(program.win)->ioParams->customIOButton()->click();
    IOWidget* shown = Settings(program.win)->ioWidget;
    QApplication::processEvents();
    ASSERT_TRUE(shown->isVisible());
    auto yellow = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.red() > 200 && c.green() > 200 && c.blue() < 80 ? 1 : 0;
            }
        return n;
    };
    int enabled = 0, disabled = 0;
    for (int row = 0; row < 8; ++row) {
        IOCheckComBO* r = shown->rowWidget(row);
        if (!r || !r->isVisible())
            continue;
        for (int c = 0; c < 8; ++c) {
            CheckBox* b = r->box(c);
            if (!b || !b->isVisible())
                continue;
            const int seen = yellow(b->grab().toImage());
            if (b->isEnabled()) {
                ++enabled;
                EXPECT_GT(seen, 0) << "row " << row << " column " << c;
            } else {
                ++disabled;
                EXPECT_EQ(seen, 0) << "row " << row << " column " << c;
            }
        }
    }
    EXPECT_GT(enabled, 0);
    EXPECT_GT(disabled, 0);
    shown->hide();
    Settings(program.win)->Leave();
}

std::string LanguageName(const ::testing::TestParamInfo<int>& info)
{
    static const char* const names[] = {"SimplifiedChinese", "English", "TraditionalChinese"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, ::testing::Values(0, 1, 2), LanguageName);

}  // namespace
