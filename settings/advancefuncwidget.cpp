#include "settings/advancefuncwidget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "vision/controller/mainwindow.h"
#include "widgets/checkbox.h"
#include "widgets/fittext.h"
#include "widgets/textrow.h"

bool FactoryParamShown(const QWidget* page)
{
    if (!page)
        return false;
    const auto* advance = page->window()->findChild<AdvanceFuncWidget*>();
    return advance && advance->factoryParam->isChecked();
}

AdvanceFuncWidget::AdvanceFuncWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}QPushButton{color:#656263;}");
    auto* grid = new QGridLayout;
    grid->setSpacing(20);
    grid->setContentsMargins(30, 15, 5, 5);
    auto add = [&](int row, int column, const QString& text) {
        auto* box = new CheckBox(this, QString());
        grid->addWidget(new QLabel(text, this), row, column * 2);
        grid->addWidget(box, row, column * 2 + 1);
        return box;
    };
    factoryParam = add(0, 0, textRow(254));
    ignorePointPassword = add(0, 1, textRow(342));
    snapShot = add(1, 0, textRow(272));
    stopDetectPassword = add(1, 1, textRow(556));
    screenSound = add(2, 0, textRow(256));
    ngTemplate = add(2, 1, textRow(457));
    autoRegion = add(3, 0, textRow(191));
    realTimeRoi = add(3, 1, textRow(470));
    saveOkRecord = add(4, 0, textRow(389));
    moldNumber = add(4, 1, textRow(471));
    skipMoldPassword = add(5, 0, textRow(194));
    useLog = add(5, 1, textRow(558));
    addTemplatePassword = add(6, 0, textRow(341));
    rawCapture = add(6, 1, textRow(201));

    auto button = [this](const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setFixedSize(200, 50);
        return b;
    };
    updateButton = button(textRow(325));
    modifyTimeButton = button(textRow(401));
    calibrateButton = button(textRow(458));
    exitButton = button(textRow(210));
    exitButton->hide();
    exportButton = button(textRow(326));
    factoryResetButton = button(textRow(551));
    hardwareButton = button(textRow(551));
    hardwareButton->hide();
    for (QPushButton* b : {updateButton, modifyTimeButton, calibrateButton, exitButton, exportButton,
                           factoryResetButton, hardwareButton})
        FitCaption(b, {b->text()}, 200 - 16, 22, 50 - 6);  // clear of the frame; "calibrate" breaks its line

    auto* row1 = new QHBoxLayout;
    row1->setSpacing(20);
    row1->setContentsMargins(30, 30, 30, 30);
    row1->setAlignment(Qt::AlignLeft);
    for (QPushButton* b : {updateButton, modifyTimeButton, calibrateButton, exitButton})
        row1->addWidget(b);
    auto* row2 = new QHBoxLayout;
    row2->setSpacing(20);
    row2->setContentsMargins(30, 30, 30, 30);
    row2->setAlignment(Qt::AlignLeft);
    for (QPushButton* b : {exportButton, factoryResetButton})
        row2->addWidget(b);

    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(30, 30, 30, 30);
    column->addLayout(grid);
    column->addLayout(row1);
    column->addLayout(row2);
    column->addStretch();
}

void AdvanceFuncWidget::WizardParaInit()
{
    if (const WizardPara* p = gpWParaBak) {
        factoryParam->setValue(p->factory_param);
        ignorePointPassword->setValue(p->ignore_point_option);
        snapShot->setValue(p->snap_shot);
        stopDetectPassword->setValue(p->spare_system6_12);
        screenSound->setValue(p->enable_screen_alert);
        ngTemplate->setValue(p->defect_rule_reversed);
        autoRegion->setValue(p->auto_region_prompt);
        realTimeRoi->setValue(p->paint_option);
        saveOkRecord->setValue(p->ng_option);
        moldNumber->setValue(p->cavity_check_on);
        skipMoldPassword->setValue(p->enable_pass_protect);
        useLog->setValue(p->log_switch);
        addTemplatePassword->setValue(p->template_add_option);
    }
    rawCapture->setChecked(gpWin && gpWin->rawCapture);
}

void AdvanceFuncWidget::accept()
{
    if (WizardPara* p = gpWParaBak) {
        p->factory_param = factoryParam->value();
        p->ignore_point_option = ignorePointPassword->value();
        p->snap_shot = snapShot->value();
        p->spare_system6_12 = stopDetectPassword->value();
        p->enable_screen_alert = screenSound->value();
        p->defect_rule_reversed = ngTemplate->value();
        p->auto_region_prompt = autoRegion->value();
        p->paint_option = realTimeRoi->value();
        p->ng_option = saveOkRecord->value();
        p->cavity_check_on = moldNumber->value();
        p->enable_pass_protect = skipMoldPassword->value();
        p->log_switch = useLog->value();
        p->template_add_option = addTemplatePassword->value();
    }
    if (gpWin)
        gpWin->rawCapture = rawCapture->isChecked();
}
