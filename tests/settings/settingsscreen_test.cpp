// The settings screen on the real main window: its frame, showing and leaving it, accept() with
// its question, record, store and camera calls, the network files, and the two system pages.
#include <gtest/gtest.h>

#include "common/waituntil.h"

#include <cstring>

#include <QButtonGroup>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSqlQuery>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include "widgets/colorbutton.h"
#include "widgets/splashwidget.h"
#include <QDir>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/windowstart.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/optionbar.h"
#include "network/cnt_net.h"
#include "network/networkparamswidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/deviceparamswidget.h"
#include "settings/helpwidget.h"
#include "core/parameterstore.h"
#include "widgets/toolkithost.h"
#include "settings/ioparamswidget.h"
#include "core/runmodederivation.h"
#include <QAbstractButton>
#include <QButtonGroup>
#include "settings/camerafunctionswidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/settingshost.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemparamswidget.h"
#include "settings/systemsettingwidget.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "vision/records/counters.h"
#include "widgets/blineedit.h"
#include "widgets/blinelabel.h"
#include "widgets/checkbox.h"
#include "widgets/choosebox.h"
#include "widgets/modalhook.h"
#include "widgets/passwordbox.h"
#include "widgets/textrow.h"
#include "widgets/warnbox.h"

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Records what the screen asks of the controller; camera setters, engine calls and records still
// reach the real window, a flush (which would close its databases) and the client restart do not.
class RecordingHost : public SettingsHost {
public:
    QStringList calls;
    void applyCamera(int v, CameraValue value) override
    {
        static const char* const names[] = {"exposure", "gain", "sharpness", "contrast", "gamma"};
        calls << QString("%1 %2").arg(names[value]).arg(v);
        SettingsHost::applyCamera(v, value);
    }
    void flushAll() override { calls << "flush"; }
    void restartReportClient() override { calls << "restart client"; }
    void cameraChangeTrig(int v) override { calls << QString("trigger %1").arg(v); }
    void cameraSetSpeed() override { calls << "speed"; }
    void countWrite() override
    {
        calls << "count";
        SettingsHost::countWrite();
    }
};

struct Window {
    ProgramDir dir;
    ModalAnswers modal;
    RecordingHost host;
    MainWindow* win = nullptr;
    // The records and network the window was built with: other tests of this program point the
    // globals at theirs and clear them when done.
    WizardPara* para = nullptr;
    WizardPara* paraBak = nullptr;
    CNT_Net* net = nullptr;
    ToolkitHost* toolkit = nullptr;  // another window built later takes the boxes' host
    WizardPara baseline;
    int builtLan = 0;  // the tab texts take the language in force when the screen is built
    Window()
    {
        PrepareWindowDir(dir, false);
        if (!gpNet)
            gpNet = new CNT_Net;
        win = StartMainWindow();
        para = gpWPara;
        paraBak = gpWParaBak;
        net = gpNet;
        toolkit = ToolkitHost::setInstance(nullptr);
        ToolkitHost::setInstance(toolkit);
        baseline = *gpWPara;
        builtLan = gLan;
        win->resize(1920, 1080);
        win->show();
    }
};

// The window, with the globals, folder, dialog answers and host it was built with back in force.
Window& W()
{
    static Window* w = new Window;
    gpWPara = w->para;
    gpWParaBak = w->paraBak;
    gpNet = w->net;
    gpWin = w->win;
    ToolkitHost::setInstance(w->toolkit);
    QDir::setCurrent(w->dir.path());
    w->modal.install();
    SettingsHost::setInstance(&w->host);
    return *w;
}

const bool kStopThreads = (StopWindowThreadsAtExit(), true);

QStringList Records()
{
    // The record writer stores rows on its own thread and connection.
    gpWin->record.Flush(5000);
    QStringList out;
    for (const QStringList& row : RecordRows("RECORD.db"))
        out << row.value(2);
    return out;
}

QString StoredRow(const QString& name)
{
    QSqlQuery q(QSqlDatabase::database("dbIn"));
    q.prepare("SELECT value FROM sysparam WHERE name = ?");
    q.addBindValue(name);
    return q.exec() && q.next() ? q.value(0).toString() : QString();
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window& w = W();
        win = w.win;
        // Other tests of this program open and remove connections of the same names on files of theirs.
        for (const auto& d : {std::make_pair(PARAM_DB_CONNECTION, "PARAM.db"),
                              std::make_pair(SERIAL_DB_CONNECTION, "SN.db")}) {
            QSqlDatabase db = QSqlDatabase::contains(d.first) ? QSqlDatabase::database(d.first, false)
                                                              : QSqlDatabase::addDatabase("QSQLITE", d.first);
            if (!db.isOpen()) {
                db.setDatabaseName(d.second);
                EXPECT_TRUE(db.open()) << d.second;
            }
        }
        screen = win->settingWidget;
        gLan = 1;
        win->runTimer->stop();
        win->alarmState = 0;
        win->userLevel = 0;
        win->mainStack->setCurrentIndex(0);
        screen->Leave();
        *gpWPara = w.baseline;
        gpWPara->is_psw_used = 0;
        gpWPara->cnt_net_enabled = 0;
        gpWPara->enable_defect_detect = 1;
        // The camera functions page turns this on with spot detection (on in the defaults).
        gpWPara->enable_display_detail = 1;
        gpNet->cardInForce = NetCard{{{"eth0", {"192.168.0.5", "255.255.255.0", "192.168.0.1"}},
                                      {"eth1", {"10.0.0.2", "255.0.0.0", "10.0.0.1"}},
                                      {"wlan0", {"192.168.0.5", "255.255.255.0", "192.168.0.1"}}},
                                     {},
                                     "mould-01"};
        gpNet->serverSettingsChanged = false;
        gpWPara->SaveDatatoFile();
        QFile::remove("cnt_net/ls_interfaces");
        QFile::remove("cnt_net/ls_hostname");
        QFile::remove("cnt_net/ls_hosts");
        w.modal.texts.clear();
        w.modal.answers.clear();
        w.host.calls.clear();
    }
    // The operator presses "System settings" on the main screen.
    void Open()
    {
        win->OptBtnsToggledSlot(OptionBar::BTN_SETTINGS, true);
        ASSERT_TRUE(screen->isVisible());
        W().host.calls.clear();
    }
    void ExitSetup(QList<int> answers = {})
    {
        W().modal.answers = answers;
        QTest::mouseClick(screen->exitButton(), Qt::LeftButton);
    }
    QStringList& Texts() { return W().modal.texts; }
    QStringList& Calls() { return W().host.calls; }

    MainWindow* win = nullptr;
    SystemSettingWidget* screen = nullptr;
};

}  // namespace

TEST_F(Settings, SevenTabGroupsOfFifteenPages)
{
    const int rows[] = {215, 572, 431, 128, 573, 262, 574, 575, 576, 577, 578, 205, 581, 579, 580};
    ASSERT_EQ(screen->pageStack()->count(), 15);
    ASSERT_EQ(screen->tabButtons().size(), 15);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(screen->tabButtons()[i]->text(), gaLanStr[rows[i] * 3 + W().builtLan]) << i;
    EXPECT_EQ(screen->pageStack()->widget(0), screen->systemParams);
    EXPECT_EQ(screen->pageStack()->widget(1), screen->systemFunctions);
    EXPECT_EQ(screen->pageStack()->widget(13), static_cast<QWidget*>(screen->about));
    screen->changeWidget(9);
    EXPECT_EQ(screen->pageStack()->currentIndex(), 9);
    EXPECT_EQ(screen->titleLabel()->text(), gaLanStr[577 * 3 + W().builtLan]);
}

TEST_F(Settings, HelpAfterReturnAndATouchOnItsTabShowsTheManualsFirstPage)
{
    Open();
    QTest::mouseClick(screen->tabButtons().at(14), Qt::LeftButton);
    HelpWidget* help = screen->help;
    ASSERT_TRUE(help->isVisible());
    help->button(1)->click();  // next step
    help->button(3)->click();  // Return
    QTest::mouseClick(screen->tabButtons().at(14), Qt::LeftButton);  // the tab touched again
    EXPECT_EQ(screen->pageStack()->currentWidget(), static_cast<QWidget*>(help));
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->shownPage(), 0);
    // The page paints the picture, not the blank of a hidden viewer.
    const QImage shot = help->grab().toImage();
    const QRgb corner = shot.pixel(help->width() / 2, help->height() / 3);
    EXPECT_TRUE(shot.pixel(help->width() / 4, help->height() / 4) != qRgb(255, 255, 255) ||
                corner != qRgb(255, 255, 255));
    screen->Leave();
}

TEST_F(Settings, OpenAndExitUntouchedAsksRecordsAndStoresNothing)
{
    const QByteArray param = W().dir.read("PARAM.db");
    const int records = Records().size();
    Open();
    EXPECT_EQ(win->mainStack->currentIndex(), 1);
    RecordingRunner runner;
    ExitSetup();
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join("\n").toStdString();
    EXPECT_EQ(Records().size(), records) << Records().join("\n").toStdString();
    EXPECT_EQ(W().dir.read("PARAM.db"), param);
    EXPECT_EQ(win->mainStack->currentIndex(), 0);
    EXPECT_FALSE(screen->editing());
    EXPECT_TRUE(runner.calls.isEmpty());
}

TEST_F(Settings, ProcedureFiveAndCavityThreeWithoutButtonsSurviveAnUntouchedExit)
{
    gpWPara->io_mode = gpWPara->io_mode_chosen = 5;
    gpWPara->io_sub_mode = 3;
    ASSERT_TRUE(gpWPara->SaveDatatoFile());
    const QByteArray param = W().dir.read("PARAM.db");
    Open();
    screen->changeWidget(9);
    EXPECT_EQ(screen->ioParams->procedureGroup()->checkedId(), -1);
    ExitSetup();
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join("\n").toStdString();
    EXPECT_EQ(W().dir.read("PARAM.db"), param);
    EXPECT_EQ(gpWPara->io_mode, 5);
    EXPECT_EQ(gpWPara->io_sub_mode, 3);
}

TEST_F(Settings, DeviceNameOnlyAsksAndRecordsTheHeadingAlone)
{
    Open();
    screen->networkParams->deviceName->setText("press-07");  // the page moves it on accept
    QTemporaryDir root;
    QDir(root.path()).mkpath("etc");
    QFile hosts(root.path() + "/etc/hosts");
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("127.0.0.1\tlocalhost\n127.0.1.1\tmould-01\n\n# IPv6\n::1\tlocalhost ip6-localhost\n");
    hosts.close();
    qputenv("MOULDMON_SYSROOT", root.path().toUtf8());
    RecordingRunner runner;
    ExitSetup({QDialog::Accepted});
    qunsetenv("MOULDMON_SYSROOT");
    // The old address lines go, the machine's localhost line stays behind the blank line.
    EXPECT_EQ(W().dir.read("cnt_net/ls_hosts"),
              "127.0.1.1\tpress-07\n127.0.0.1\tpress-07\n\n\n127.0.0.1\tlocalhost\n# IPv6\n::1\tlocalhost ip6-localhost\n\n");
    EXPECT_EQ(Texts(), QStringList{textRow(234)});
    EXPECT_EQ(Records().last(), "Modify the system parameters");
    // Reporting is off: the host files are written and copied, the name in force stays.
    EXPECT_EQ(W().dir.read("cnt_net/ls_hostname"), "press-07");
    EXPECT_EQ(gpNet->cardInForce.hostName, "mould-01");
    EXPECT_EQ(runner.lines(), (QStringList{"cp ./cnt_net/ls_hostname /etc/hostname", "cp ./cnt_net/ls_hosts /etc/hosts"}));
    EXPECT_TRUE(Calls().contains("restart client"));
}

TEST_F(Settings, NoRestoresBothRecordsAndOnlyTheTunedSetters)
{
    Open();
    screen->systemParams->slider[SystemParamsWidget::Area]->setValue(321);
    SystemSettingWidget::outSet = 1;
    screen->SetAdjust(gpWPara->gain[1] + 5);
    SystemSettingWidget::outSet = 0;
    screen->SetGamma(gpWPara->gamma[0] + 1);
    gpNet->cardEdit.addresses["eth0"][0] = "192.168.0.77";
    EXPECT_EQ(Calls(), (QStringList{"gain 1", "gamma 0"}));
    Calls().clear();
    const int records = Records().size();
    ExitSetup({QDialog::Rejected});
    EXPECT_EQ(Texts(), QStringList{textRow(234)});
    EXPECT_EQ(std::memcmp(gpWPara, gpWParaBak, sizeof(WizardPara)), 0);
    EXPECT_EQ(gpNet->cardEdit.addresses, gpNet->cardInForce.addresses);
    EXPECT_EQ(Calls(), (QStringList{"gamma 0", "gain 1"}));
    EXPECT_EQ(Records().size(), records);
    EXPECT_FALSE(QFile::exists("cnt_net/ls_interfaces"));
}

TEST_F(Settings, YesRecordsStoresAndNotes)
{
    const int delay = gpWPara->stage_delay[0];
    Open();
    screen->systemParams->slider[SystemParamsWidget::Delay1]->setValue(delay + 7);
    screen->advanceParam->templateCount.slider->setValue(gpWPara->max_mold_num + 1);
    screen->cameraParams->speed.slider->setValue(gpWPara->capture_speed + 1);
    ExitSetup({QDialog::Accepted});
    EXPECT_EQ(Texts(), (QStringList{textRow(234), textRow(276)}));
    EXPECT_EQ(Records().last(), QString("Modify the system parameters, The time delay for detection Prodis changed "
                                        "from %1 to %2, Speed is changed from %3 to %4, Temp number is changed from "
                                        "%5 to %6")
                                    .arg(delay)
                                    .arg(delay + 7)
                                    .arg(gpWPara->capture_speed - 1)
                                    .arg(gpWPara->capture_speed)
                                    .arg(gpWPara->max_mold_num - 1)
                                    .arg(gpWPara->max_mold_num));
    EXPECT_EQ(gpWPara->stage_delay[0], delay + 7);
    EXPECT_EQ(StoredRow("trigInDelay").split(' ').value(0).toInt(), delay + 7);
    EXPECT_TRUE(Calls().contains("speed"));
    EXPECT_EQ(std::memcmp(gpWPara, gpWParaBak, sizeof(WizardPara)), 0);
}

// What the pages take is what the next start shows: typed numbers the record cannot hold are
// refused with a message, a cut text is said, the ends of the sliders come back as they were left.
TEST_F(Settings, TypedInputIsRefusedOrTakenWholeAndComesBackAfterARestart)
{
    Open();
    screen->systemParams->slider[SystemParamsWidget::Area]->setValue(0);
    screen->advanceParam->templateCount.slider->setValue(0);  // a stage needs a template
    DeviceParamsWidget* device = screen->deviceParams;
    device->cavity->setText("99999999999");
    device->expectedCapacity->setText("00.5");
    device->productBatch->setText("ABC12");
    const QString operatorName = QString("o").repeated(110);
    device->operatorName->setText(operatorName);
    ExitSetup({QDialog::Accepted});
    EXPECT_EQ(Texts(), QStringList{textRow(647).arg(textRow(435))});
    ASSERT_TRUE(screen->isVisible()) << "a refused entry leaves the settings open";
    EXPECT_EQ(device->cavity->text(), "99999999999") << "the entry stays to be corrected";
    EXPECT_NE(StoredRow("CntNet").split(' ').value(5), "2147483647");

    for (const auto& [field, row] : {std::pair<BLineEdit*, int>{device->cavity, 436}, {device->expectedCapacity, 437}}) {
        field->setText("8");
        Texts().clear();
        ExitSetup({QDialog::Accepted});
        EXPECT_EQ(Texts(), QStringList{textRow(647).arg(textRow(row))});
    }
    device->productBatch->setText("20261208");
    Texts().clear();
    ExitSetup({QDialog::Accepted, QDialog::Accepted});
    EXPECT_EQ(Texts().value(0), textRow(648).arg(textRow(434), operatorName.left(99)));
    EXPECT_EQ(Texts().value(1), textRow(234));
    ASSERT_FALSE(screen->isVisible());

    // The next start reads PARAM.db with the load's range checks.
    WizardPara restarted;
    restarted.LoadDatafromFile();
    EXPECT_EQ(restarted.minimum_area, 0);
    EXPECT_EQ(restarted.max_mold_num, 1);
    EXPECT_EQ(restarted.cavity, 8);
    EXPECT_EQ(restarted.expected_capacity, 8);
    EXPECT_EQ(restarted.product_batch, 20261208);
    *gpWPara = restarted;
    Open();
    EXPECT_EQ(screen->systemParams->slider[SystemParamsWidget::Area]->value(), 0);
    EXPECT_EQ(screen->advanceParam->templateCount.slider->value(), 1);
    EXPECT_EQ(device->cavity->text(), "8");
    EXPECT_EQ(device->expectedCapacity->text(), "8");
    EXPECT_EQ(device->productBatch->text(), "20261208");
    EXPECT_EQ(device->operatorName->text(), operatorName.left(99));
    Texts().clear();
    ExitSetup();
    EXPECT_TRUE(Texts().isEmpty()) << "shown as stored, nothing to save: " << Texts().join("/").toStdString();
}

TEST_F(Settings, RefusedAcceptKeepsTheEditsAndExitRestoresTheTunedCameras)
{
    Open();
    screen->SetExposeTime(gpWPara->exposure[0] + 3);
    CameraFunctionsWidget* f = screen->cameraFunctions;
    for (CheckBox* b : {f->defectDetect, f->spotDetect, f->blackArea, f->whiteArea, f->whiteCount, f->blackCount,
                        f->similarity})
        b->setChecked(false);
    Calls().clear();
    screen->accept();
    EXPECT_EQ(Texts(), QStringList{textRow(232)});
    EXPECT_TRUE(screen->editing());
    EXPECT_EQ(gpWParaBak->exposure[0], gpWPara->exposure[0] + 3);
    EXPECT_TRUE(Calls().isEmpty());
    Texts().clear();
    ExitSetup();
    EXPECT_EQ(Texts(), QStringList{textRow(232)});
    EXPECT_EQ(Calls(), QStringList{"exposure 0"});
    EXPECT_EQ(win->mainStack->currentIndex(), 0);
    EXPECT_EQ(std::memcmp(gpWPara, gpWParaBak, sizeof(WizardPara)), 0);
}

TEST_F(Settings, ShownAgainAfterTheNamingPageKeepsEditsNewOpeningReloads)
{
    Open();
    auto* area = screen->systemParams->slider[SystemParamsWidget::Area];
    area->setValue(77);
    SystemSettingWidget::outSet = 2;
    screen->SlotShowCustomIONameWidget();
    EXPECT_FALSE(screen->isVisible());
    screen->show();  // the naming page's Confirm
    EXPECT_EQ(area->value(), 77);
    EXPECT_EQ(SystemSettingWidget::outSet, 2);
    // The hardware page and back, likewise.
    screen->SlotShowHardwareConfigurationWidget();
    EXPECT_TRUE(screen->hardwarePage);
    screen->show();
    EXPECT_EQ(area->value(), 77);
    // A new opening from the main screen loads the record in force again.
    win->mainStack->setCurrentIndex(0);
    screen->Leave();
    Open();
    EXPECT_EQ(area->value(), qBound(0, gpWPara->minimum_area, 1000));
    EXPECT_EQ(SystemSettingWidget::outSet, 0);
}

TEST_F(Settings, AnOptionBarButtonLeavingTheScreenRestoresTheTunedCameras)
{
    Open();
    screen->SetContrast(gpWPara->contrast[0] + 4);
    screen->SetAutoWDR(gpWPara->auto_wdr ? 0 : 2);
    Calls().clear();
    win->OptBtnsToggledSlot(OptionBar::BTN_MULTI_SCREEN, true);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_FALSE(screen->editing());
    QStringList expected;
    for (int v = 0; v < 8; ++v) {
        expected << QString("exposure %1").arg(v);
        if (v == 0)
            expected << "contrast 0";
    }
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(gpWParaBak->auto_wdr, gpWPara->auto_wdr);
}

// --- the system parameter and function pages

TEST_F(Settings, DelaysShowSecondsAndOutOfRangeValuesStoreTheNearerEnd)
{
    gpWPara->stage_delay[0] = 25;
    gpWPara->stage_delay[1] = 0;
    gpWPara->minimum_size = 50;
    Open();
    SystemParamsWidget* page = screen->systemParams;
    EXPECT_EQ(page->value[SystemParamsWidget::Delay1]->text(), "2.5");
    EXPECT_EQ(page->value[SystemParamsWidget::Delay2]->text(), "0");
    EXPECT_EQ(page->value[SystemParamsWidget::Size]->text(), "10");
    page->slider[SystemParamsWidget::Delay2]->setValue(10);
    EXPECT_EQ(page->value[SystemParamsWidget::Delay2]->text(), "1");
    page->accept();
    EXPECT_EQ(gpWParaBak->stage_delay[0], 25);
    EXPECT_EQ(gpWParaBak->minimum_size, 10);
}

TEST_F(Settings, MotionCorrectionStoresZeroWhenOnMinusOneWhenOff)
{
    gpWPara->enable_correct = -1;
    Open();
    SystemFunctionsWidget* page = screen->systemFunctions;
    EXPECT_FALSE(page->motionCorrect->isChecked());
    page->motionCorrect->setChecked(true);
    page->accept();
    EXPECT_EQ(gpWParaBak->enable_correct, 0);
    page->motionCorrect->setChecked(false);
    page->accept();
    EXPECT_EQ(gpWParaBak->enable_correct, -1);
}

TEST_F(Settings, PasswordChangeTakesWhatTheBoxOpensWithAndRefusesTheRest)
{
    Open();
    SystemFunctionsWidget* page = screen->systemFunctions;
    const WizardPara before = *gpWParaBak;
    auto change = [&](const QString& first, const QString& second) {
        page->newPassword->setText(first);
        page->confirmPassword->setText(second);
        screen->ChangePwd();
    };
    change("123456", "");
    change("123456", "654321");
    // Longer than the record's 32 bytes, or characters it cannot hold as typed.
    const QString fortySix = QString("1234567890").repeated(5).left(46);
    change(fortySix, fortySix);
    change(QString::fromUtf8("pässwort"), QString::fromUtf8("pässwort"));
    EXPECT_EQ(Texts(), (QStringList{textRow(278), textRow(280), textRow(646), textRow(646)}));
    EXPECT_EQ(std::memcmp(&before, gpWParaBak, sizeof(WizardPara)), 0);
    EXPECT_EQ(page->newPassword->text(), QString::fromUtf8("pässwort")) << "a refused entry stays to be corrected";

    const QString thirtyTwo = fortySix.left(32);
    change(thirtyTwo, thirtyTwo);
    EXPECT_EQ(Texts().last(), textRow(279));
    EXPECT_EQ(QByteArray(gpWParaBak->password), thirtyTwo.toLatin1());
    EXPECT_TRUE(page->newPassword->text().isEmpty());
    // The change record then notes it, and the password box opens with exactly what was typed.
    Texts().clear();
    ExitSetup({QDialog::Accepted});
    EXPECT_EQ(Records().last(), "Modify the system parameters, the password has been modified");
    gpWPara->is_psw_used = 1;
    PasswordBox box(textRow(569));
    box.passwordField()->setText(thirtyTwo + "1");
    box.accept();
    EXPECT_EQ(win->userLevel, 0) << "a longer text is not the password";
    EXPECT_EQ(box.passwordField()->placeholderText(), textRow(357));
    box.passwordField()->setText(thirtyTwo);
    box.accept();
    EXPECT_EQ(win->userLevel, 1);
    gpWPara->is_psw_used = 0;
}

TEST_F(Settings, LanguageYesRecordsInTheOldLanguageSavesAndRestarts)
{
    Open();
    SystemFunctionsWidget* page = screen->systemFunctions;
    RecordingRunner runner;
    // The language in force, and No: nothing.
    page->languageRadio[1]->click();
    page->languageRadio[0]->click();
    EXPECT_EQ(Texts(), QStringList{textRow(318)});
    EXPECT_EQ(gLan, 1);
    EXPECT_TRUE(runner.calls.isEmpty());
    W().modal.answers = {QDialog::Accepted};
    page->languageRadio[2]->click();
    EXPECT_EQ(gLan, 2);
    EXPECT_EQ(Records().last(), "Switch language then restart");
    EXPECT_EQ(StoredRow("system2").split(' ').value(12), "2");
    EXPECT_TRUE(Calls().contains("flush"));
    EXPECT_EQ(runner.lines(), QStringList{"reboot"});
}

TEST_F(Settings, ResetCountClearsAtOnceAndRecords)
{
    for (int c = 0; c < 8; ++c) {
        gAllNum[c] = 10 + c;
        gFailNum[c] = c;
    }
    Open();
    QTest::mouseClick(screen->systemFunctions->resetCount, Qt::LeftButton);
    EXPECT_EQ(Records().last(), "The count has been cleared");
    // Written by the verdict writer's thread, in order, soon after.
    EXPECT_TRUE(WaitUntil([] { return W().dir.read("count.txt") == QByteArray("0 ").repeated(16); }, 3000))
        << W().dir.read("count.txt").toStdString();
    ExitSetup();  // declining the screen keeps them cleared
    EXPECT_EQ(gAllNum[3], 0);
}

// --- the network files of the accept

TEST_F(Settings, SaveNetParamBitsForEachKindOfChange)
{
    Open();
    QDir().mkpath("cnt_net");
    // One wired address: the interfaces file with every wired card, bit 1 only.
    gpNet->cardEdit.addresses["eth1"][2] = "10.0.0.254";
    EXPECT_EQ(screen->SaveNetParam(), 1);
    EXPECT_EQ(W().dir.read("cnt_net/ls_interfaces"),
              "auto lo\niface lo inet loopback\r\n\r\n"
              "auto eth0\niface eth0 inet static\naddress 192.168.0.5\nnetmask 255.255.255.0\ngateway 192.168.0.1\n\n"
              "auto eth1\niface eth1 inet static\naddress 10.0.0.2\nnetmask 255.0.0.0\ngateway 10.0.0.254\n\n");
    EXPECT_FALSE(QFile::exists("cnt_net/ls_hostname"));
    // Reporting switched on with a new video share: bits 2 and 8; the settings flag adds 16.
    gpNet->CopyCardToEdit();
    gpWParaBak->cnt_net_enabled = 1;
    gpWParaBak->video_share = 2;
    EXPECT_EQ(screen->SaveNetParam(), 2 | 8);
    gpNet->serverSettingsChanged = true;
    EXPECT_EQ(screen->SaveNetParam(), 2 | 8 | 16);
    // Reporting off: a new host name writes the host files, and the name in force stays.
    gpWParaBak->cnt_net_enabled = 0;
    gpNet->serverSettingsChanged = false;
    gpNet->cardEdit.hostName = "press-09";
    EXPECT_EQ(screen->SaveNetParam(), 4);
    EXPECT_EQ(W().dir.read("cnt_net/ls_hostname"), "press-09");
    EXPECT_EQ(gpNet->cardEdit.hostName, "mould-01");
}

TEST_F(Settings, OnlyTheFilesWrittenAreCopiedAndABadAddressChangesNothing)
{
    Open();
    RecordingRunner runner;
    gpNet->cardEdit.addresses["eth0"][0] = "192.168.0.77";
    ExitSetup({QDialog::Accepted});
    EXPECT_EQ(runner.lines(), QStringList{"cp ./cnt_net/ls_interfaces /etc/network/interfaces"});
    EXPECT_EQ(gpNet->cardInForce.addresses["eth0"][0], "192.168.0.77");
    // The reporting switch alone: nothing copied, the client restarted all the same.
    runner.calls.clear();
    Calls().clear();
    Open();
    screen->networkParams->bigData->setChecked(true);  // the page moves it on accept
    ExitSetup({QDialog::Accepted});
    EXPECT_TRUE(runner.calls.isEmpty());
    EXPECT_TRUE(Calls().contains("restart client"));
    // A mask that is no address: a warning before any question, no file, no copy, no record; the
    // card in force stays and the typed one is kept to be mended.
    QFile::remove("cnt_net/ls_interfaces");
    Texts().clear();
    Open();
    const int records = Records().size();
    gpNet->cardEdit.addresses["eth0"][1] = "255.255.0";
    screen->networkParams->deviceName->setText("press-10");
    ExitSetup({});
    EXPECT_EQ(Texts(), QStringList{textRow(620)});
    EXPECT_FALSE(QFile::exists("cnt_net/ls_interfaces"));
    EXPECT_TRUE(runner.calls.isEmpty());
    EXPECT_EQ(Records().size(), records);
    ASSERT_TRUE(screen->isVisible()) << "a refused card leaves the settings open";
    EXPECT_EQ(gpNet->cardInForce.addresses["eth0"][1], "255.255.255.0");
    EXPECT_EQ(gpNet->cardEdit.addresses["eth0"][1], "255.255.0");
    EXPECT_EQ(gpNet->cardInForce.hostName, "mould-01");
}

TEST_F(Settings, NetworkFilesNotWrittenWholeGoNowhereAndTheRestCommits)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("etc");
    qputenv("MOULDMON_SYSROOT", root.path().toUtf8());
    RecordingRunner runner;
    const auto editAddressAndName = [&] {
        Open();
        gpNet->cardEdit.addresses["eth0"][0] = "192.168.0.77";
        screen->networkParams->deviceName->setText("press-11");  // the page moves it on accept
    };
    // ./cnt_net cannot hold a file: neither the interfaces nor the host files are written.
    const auto exitWithoutFolder = [&] {
        // The folder is there whether or not a report server made it before.
        ASSERT_EQ(QDir::currentPath(), QDir(W().dir.path()).canonicalPath());
        ASSERT_TRUE(QDir().mkpath("cnt_net"));
        ASSERT_TRUE(QDir().rename("cnt_net", "cnt_net.aside"));
        ASSERT_TRUE(W().dir.write("cnt_net", "a file where the folder was"));
        ExitSetup({QDialog::Accepted});
        QFile::remove("cnt_net");
        ASSERT_TRUE(QDir().rename("cnt_net.aside", "cnt_net"));
    };
    editAddressAndName();
    const int area = gpWPara->minimum_area + 1;
    screen->systemParams->slider[SystemParamsWidget::Area]->setValue(area);
    const int records = Records().size();
    exitWithoutFolder();
    EXPECT_TRUE(runner.calls.isEmpty()) << runner.lines().join(" | ").toStdString();
    EXPECT_EQ(Texts(), (QStringList{textRow(234), textRow(635)}));
    const QStringList added = Records().mid(records);
    ASSERT_EQ(added.size(), 2) << added.join(" | ").toStdString();
    EXPECT_EQ(added[0], textRow(635).simplified());
    EXPECT_TRUE(added[1].startsWith("Modify the system parameters")) << added[1].toStdString();
    // The other settings are committed; the card in force is still the machine's.
    EXPECT_EQ(gpWPara->minimum_area, area);
    EXPECT_EQ(gpNet->cardInForce.addresses["eth0"][0], "192.168.0.5");
    EXPECT_EQ(gpNet->cardInForce.hostName, "mould-01");

    // The card alone: nothing was stored but the failure, so nothing else is recorded.
    editAddressAndName();
    const int before = Records().size();
    exitWithoutFolder();
    EXPECT_EQ(Records().mid(before), QStringList{textRow(635).simplified()});

    // Written whole, the same accept copies all three as before.
    Texts().clear();
    editAddressAndName();
    ExitSetup({QDialog::Accepted});
    qunsetenv("MOULDMON_SYSROOT");
    EXPECT_EQ(runner.lines(), (QStringList{"cp ./cnt_net/ls_interfaces /etc/network/interfaces",
                                           "cp ./cnt_net/ls_hostname /etc/hostname", "cp ./cnt_net/ls_hosts /etc/hosts"}));
    EXPECT_EQ(Texts(), QStringList{textRow(234)});
}

TEST_F(Settings, AFailedSaveOfTheRecordWarns)
{
    Open();
    screen->systemParams->slider[SystemParamsWidget::Area]->setValue(gpWPara->minimum_area + 1);
    QSqlDatabase::database("dbIn").close();
    ExitSetup({QDialog::Accepted});
    QSqlDatabase::database("dbIn").open();
    EXPECT_EQ(Texts(), (QStringList{textRow(234), textRow(621)}));
}

TEST_F(Settings, AChosenModeLeftToTheNextStartGetsTheRestartNote)
{
    gDNum = 2;
    Open();
    screen->ioParams->procedureGroup()->button(4)->click();
    const int records = Records().size();
    ExitSetup({QDialog::Accepted});
    // Not recorded, stored, and not in force before the next start.
    EXPECT_EQ(Texts(), (QStringList{textRow(234), textRow(277)}));
    EXPECT_EQ(Records().size(), records + 1);
    EXPECT_EQ(Records().last(), "Modify the system parameters");
    EXPECT_EQ(StoredRow("numFailDetect").split(' ').value(0), "4");
    EXPECT_EQ(gpWPara->io_mode, 0);
    EXPECT_EQ(gDNum, 2);
}
