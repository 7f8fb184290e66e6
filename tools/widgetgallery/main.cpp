// Saves a PNG of every toolkit widget, keyboard and dialog in each of the three languages:
//   widgetgallery OUTPUT_DIR
// Runs on the offscreen platform when no display is set.
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextStream>

#include "core/globals.h"
#include "tools/shottool.h"
#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "widgets/bcombobox.h"
#include "widgets/bmessagebox.h"
#include "widgets/boptionbutton.h"
#include "widgets/bverticaltabbar.h"
#include "widgets/checkbox.h"
#include "widgets/choosebox.h"
#include "widgets/choosecalinumwidget.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/digitalkeyboard.h"
#include "widgets/editbox.h"
#include "widgets/editdatetime.h"
#include "widgets/editip.h"
#include "widgets/edittempbox.h"
#include "widgets/finetuningdialog.h"
#include "widgets/fullkeyboard.h"
#include "widgets/messagedialog.h"
#include "widgets/modifytimewidget.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/pagecontrolbar.h"
#include "widgets/passwordbox.h"
#include "widgets/blineedit.h"
#include "widgets/slider.h"
#include "widgets/splashwidget.h"
#include "widgets/textrow.h"
#include "widgets/toolkitclock.h"
#include "widgets/toolkitglobals.h"
#include "widgets/warnbox.h"
#include "widgets/zoomwidget.h"

namespace {
QString gOut;
int gSaved = 0;

void save(QWidget* w, const QString& name, const std::function<void()>& afterShow = {})
{
    w->show();
    QApplication::processEvents();
    if (afterShow)
        afterShow();
    const QString file = QString("%1/%2_%3.png").arg(gOut, name).arg(gLan);
    if (w->grab().save(file))
        ++gSaved;
    else
        QTextStream(stderr) << "cannot write " << file << "\n";
    w->hide();
}

// Puts a child widget on a plain page so it is seen as on a screen.
void saveOnPage(QWidget* child, const QString& name, QSize size, const QString& background = "#1f3f8d")
{
    QWidget page;
    page.setObjectName("page");
    page.setStyleSheet(QString("QWidget#page{background-color:%1;}").arg(background));
    page.resize(size);
    auto* row = new QHBoxLayout(&page);
    child->setParent(&page);
    row->addWidget(child, 0, Qt::AlignCenter);
    save(&page, name);
}

void shootLanguage()
{
    {
        DigitalKeyboard kb("Delay", textRow(540), "12.5");
        save(&kb, "digitalkeyboard");
        FullKeyboard full("Name", textRow(125), "Mould_7");
        save(&full, "fullkeyboard");
    }
    {
        QWidget host;
        host.resize(900, 320);
        host.setStyleSheet("background-color:#2b418a;");
        NumberInput pad(&host);
        pad.move(10, 10);
        pad.show();
        save(&host, "numberinput");
        NumCharInput chars(&host);
        chars.move(10, 10);
        pad.hide();
        chars.show();
        save(&host, "numcharinput");
        // Every showing starts on upper-case letters: switch pages once shown.
        save(&host, "numcharinput_symbols", [&] { chars.SlotChgChar_Punc(); });
        save(&host, "numcharinput_lower", [&] { chars.SlotCap(); });
    }
    {
        WarnBox warn(textRow(568));
        warn.setText(textRow(133));
        save(&warn, "warnbox");
        ChooseBox choose(textRow(566));
        choose.setText(textRow(140));
        save(&choose, "choosebox");
        PasswordBox password(textRow(569));
        save(&password, "passwordbox");
        password.show();
        password.accept();  // a wrong (empty) entry: the refusal placeholder
        save(&password, "passwordbox_wrong");
        ChooseCaliNumWidget cali;
        cali.setCaption("4 / 9 / 25");
        save(&cali, "choosecalinumwidget");
        BMessageBox yesNo(textRow(566), textRow(140), 12, BMessageBoxWarning);
        save(&yesNo, "bmessagebox_yesno");
        BMessageBox all(textRow(568), textRow(1), 1 | 2 | 16, BMessageBoxInfo);
        save(&all, "bmessagebox_confirm_cancel_close");
        MessageDialog msg("Title", "Message text", 0x1011);
        save(&msg, "messagedialog");
        ModifyTimeWidget time(textRow(401));
        time.entry()->ShowDateTime();
        save(&time, "modifytimewidget");
    }
    {
        auto* ip = new EditIP("IP");
        ip->setTextIP("192.168.1.20");
        ip->setFixedWidth(760);
        saveOnPage(ip, "editip", QSize(800, 100));
        auto* box = new EditBox(0, 1000, nullptr, textRow(13), "ms", 0, 1);
        box->setValue(250);
        saveOnPage(box, "editbox", QSize(900, 80));
        auto* temp = new EditTempBox(0, 1000, 0, 1000, nullptr, QString::fromUtf8("温度1"), QString::fromUtf8("℃"), 2, 10);
        temp->setValueRange(200, 800);
        temp->setValue(356);
        saveOnPage(temp, "edittempbox", QSize(700, 80), "#ffffff");
        auto* sw = new CheckBox(nullptr, textRow(3));
        sw->setChecked(true);
        saveOnPage(sw, "checkbox", QSize(300, 60));
        auto* combo = new ComboBox;
        combo->addItems({textRow(25), textRow(15), textRow(21)});
        combo->setItemHeight(50);
        combo->setFixedSize(260, 50);
        saveOnPage(combo, "combobox", QSize(300, 80), "#ffffff");
        auto* bcombo = new BComboBox;
        bcombo->addItems({textRow(317)});
        bcombo->setFixedSize(260, 50);
        saveOnPage(bcombo, "bcombobox", QSize(300, 80), "#ffffff");
        auto* button = new ColorButton(textRow(121), nullptr, 3);
        button->setFixedSize(180, 70);
        saveOnPage(button, "colorbutton", QSize(220, 90));
        auto* option = new BOptionButton;
        option->setText(textRow(136));
        option->setIcon(QIcon(":/img/icons/56.png"));
        saveOnPage(option, "boptionbutton", QSize(200, 130), "#ffffff");
        auto* slider = new Slider(0, 255, 10, 128, nullptr, textRow(10));
        slider->setFixedSize(1100, 60);
        saveOnPage(slider, "slider", QSize(1140, 80));
        auto* dt = new EditDateTime("");
        dt->ShowDateTime();
        saveOnPage(dt, "editdatetime", QSize(720, 200), "#ffffff");
        auto* fine = new FinetuningDialog;
        saveOnPage(fine, "finetuningdialog", QSize(200, 200), "#404040");
        auto* zoom = new ZoomWidget;
        saveOnPage(zoom, "zoomwidget", QSize(120, 220), "#404040");
        auto* pages = new PageControlBar;
        pages->setFixedWidth(1200);
        saveOnPage(pages, "pagecontrolbar", QSize(1240, 90), "#ffffff");
        auto* splash = new SplashWidget(600);
        saveOnPage(splash, "splashwidget", QSize(1000, 800), "#ffffff");
    }
    {
        BVerticalTabBar bar;
        QPixmap icon(":/img/icons/56.png");
        QVector<QWidget*> pages;
        for (int i = 0; i < 5; ++i)
            pages << new QLabel(QString("page %1").arg(i));
        bar.addWidgetGroup(icon, {textRow(575), textRow(576), textRow(431)}, pages.mid(0, 3));
        bar.addWidgetGroup(icon, {textRow(401), textRow(317)}, pages.mid(3, 2));
        bar.resize(1400, 800);
        save(&bar, "bverticaltabbar");
    }
}
}  // namespace

int main(int argc, char** argv)
{
    shottool::preferOffscreen();
    QApplication app(argc, argv);
    gOut = shottool::outputDir(argc, argv, "widgetgallery");
    if (gOut.isEmpty())
        return 2;
    QTemporaryDir programDir;
    if (!shottool::startProgramDir(programDir))
        return 1;
    WizardPara para;
    qstrcpy(para.password, "2468");
    para.is_psw_used = 1;
    gpWPara = &para;
    setToolkitClock([] { return QDateTime(QDate(2024, 2, 29), QTime(14, 5, 9)); });
    for (int lan = 0; lan < 3; ++lan) {
        gLan = lan;
        shootLanguage();
    }
    gpWPara = nullptr;
    QTextStream(stdout) << gSaved << " pictures in " << gOut << "\n";
    return 0;
}
