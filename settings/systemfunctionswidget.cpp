#include "settings/systemfunctionswidget.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/startup.h"
#include "core/wizardpara.h"
#include "settings/settingshost.h"
#include "widgets/blineedit.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

SystemFunctionsWidget::SystemFunctionsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
    const int mode = gpWPara ? gpWPara->io_mode : 0;
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(100, 50, 100, 50);
    grid->setVerticalSpacing(40);
    grid->setHorizontalSpacing(30);
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto box = [this] { return new CheckBox(this, QString()); };

    detection = box();
    semiAuto = box();
    twoSame = box();
    motionCorrect = box();
    password = box();
    templateAuto = new CheckBox(this, textRow(400));
    templateAuto->setVisible(mode == 3);

    grid->addWidget(label(textRow(mode == 4 ? 510 : 175)), 0, 0);
    grid->addWidget(detection, 0, 1);
    grid->addWidget(label(textRow(174)), 0, 2);
    grid->addWidget(semiAuto, 0, 3);
    grid->addWidget(label(textRow(177)), 1, 0);
    grid->addWidget(twoSame, 1, 1);
    grid->addWidget(label(textRow(176)), 1, 2);
    grid->addWidget(motionCorrect, 1, 3);

    grid->addWidget(label(textRow(587)), 2, 0);
    language = new QButtonGroup(this);
    language->setExclusive(true);
    auto* radios = new QHBoxLayout;
    const struct {
        const char* text;
        int id;
    } langs[] = {{"简体中文", 0}, {"繁体中文", 2}, {"English", 1}};
    for (const auto& l : langs) {
        auto* r = new QRadioButton(QString::fromUtf8(l.text), this);
        r->setStyleSheet("font-size:22px;color:#656263;");
        language->addButton(r, l.id);
        languageRadio[l.id] = r;
        radios->addWidget(r);
    }
    radios->addStretch();
    grid->addLayout(radios, 2, 1, 1, 3);

    grid->addWidget(label(textRow(228)), 3, 0);
    resetCount = new ColorButton(textRow(172), this, 3);
    resetCount->setFixedSize(200, 50);
    shutDown = new ColorButton(textRow(209), this, 3);
    shutDown->setFixedSize(200, 50);
    grid->addWidget(resetCount, 3, 1);
    grid->addWidget(shutDown, 3, 2);

    grid->addWidget(label(textRow(170)), 4, 0);
    grid->addWidget(password, 4, 1);
    grid->addWidget(templateAuto, 4, 2, 1, 2);

    auto* pwdRow = new QHBoxLayout;
    pwdRow->setSpacing(20);
    newPassword = new BLineEdit(this, QString::fromUtf8("设置密码"), QString::fromUtf8("建议设置6个以上字符"), 0);
    confirmPassword = new BLineEdit(this, QString::fromUtf8("设置密码"), QString::fromUtf8("建议设置6个以上字符"), 0);
    for (BLineEdit* e : {newPassword, confirmPassword}) {
        e->setEchoMode(QLineEdit::Password);
        e->setFixedSize(200, 50);
    }
    changePwd = new ColorButton(textRow(171), this, 3);
    changePwd->setFixedSize(200, 50);
    pwdRow->addWidget(label(textRow(226)));
    pwdRow->addWidget(newPassword);
    pwdRow->addWidget(label(QString::fromUtf8("确认:")));
    pwdRow->addWidget(confirmPassword);
    pwdRow->addWidget(changePwd);
    pwdRow->addStretch();
    grid->addLayout(pwdRow, 5, 0, 1, 5);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(4, 1);
    SlotConnect();
}

void SystemFunctionsWidget::SlotConnect()
{
    for (QRadioButton* r : languageRadio)
        connect(r, SIGNAL(clicked()), this, SLOT(SlotChangeLan()));
}

void SystemFunctionsWidget::WizardParaInit()
{
    const WizardPara& p = *gpWParaBak;
    detection->setValue(p.first_stage_on);
    semiAuto->setValue(p.semi_auto);
    twoSame->setValue(p.enabe_two_test);
    motionCorrect->setValue(p.enable_correct + 1);
    password->setValue(p.is_psw_used);
    templateAuto->setValue(p.template_auto_update);
    // A language outside the three checks none.
    language->setExclusive(false);
    for (QRadioButton* r : languageRadio)
        r->setChecked(false);
    language->setExclusive(true);
    if (gLan >= 0 && gLan <= 2)
        languageRadio[gLan]->setChecked(true);
    newPassword->clear();
    confirmPassword->clear();
}

void SystemFunctionsWidget::accept()
{
    WizardPara& p = *gpWParaBak;
    p.semi_auto = semiAuto->value();
    p.template_auto_update = templateAuto->value();
    p.first_stage_on = detection->value();
    p.enabe_two_test = twoSame->value();
    p.enable_correct = motionCorrect->value() - 1;
    p.is_psw_used = password->value();
}

void SystemFunctionsWidget::SlotChangeLan()
{
    const int id = language->checkedId();
    if (id == gLan || id < 0 || id > 2)
        return;
    if (!showChooseBox(textRow(318)))
        return;
    SettingsHost* host = SettingsHost::instance();
    host->insertRecord(textRow(319));  // still in the language in force
    gLan = id;
    // Only the record in force is saved: edits not yet accepted are lost with the restart.
    if (!gpWPara->SaveDatatoFile())
        showWarnBox(textRow(621));
    StopWTD();
    host->flushAll();
    runCommand("reboot", {});
}
