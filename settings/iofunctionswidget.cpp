#include "settings/iofunctionswidget.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "settings/advancefuncwidget.h"
#include "settings/pagechoices.h"
#include "widgets/checkbox.h"
#include "widgets/splitline.h"
#include "widgets/textrow.h"

namespace {

struct SwitchField {
    int caption;
    int WizardPara::*field;
};

// Grid order: row by row, left then right.
const SwitchField kSwitches[12] = {
    {179, &WizardPara::enable_stop_mold},           // system1 5
    {178, &WizardPara::mold_cutoff},                // system2 1
    {192, &WizardPara::enable_cutoff_ontime},       // system2 9
    {190, &WizardPara::enable_stop_not_alarm},      // system2 7
    {202, &WizardPara::ng_pulse_mode},              // system5 9
    {193, &WizardPara::is_cut_ontime},              // system2 8
    {513, &WizardPara::is_cut_ontime_thimble},      // system8 18
    {265, &WizardPara::enable_trigger_safety},      // system3 11
    {195, &WizardPara::enable_disarm_before_open},  // system3 2
    {555, &WizardPara::spare_system6_11},           // system6 11
    {515, &WizardPara::release_ejector_at_start},   // system5 11
    {589, &WizardPara::no_close_inhibit_at_start},  // system9 9
};

// Output 1, output 2, alarm, output 4 (system7 5, 6, 7, 9).
const int kInitCaptions[4] = {273, 274, 275, 281};
const int kInitOutputs[4] = {0, 1, 2, 3};

}  // namespace

IOFunctionsWidget::IOFunctionsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
    auto* page = new QVBoxLayout(this);
    page->setSpacing(10);
    page->setContentsMargins(50, 50, 50, 50);

    auto* grid = new QGridLayout;
    grid->setSpacing(20);
    grid->setContentsMargins(7, 7, 7, 7);
    for (int i = 0; i < 12; ++i) {
        auto* caption = new QLabel(textRow(kSwitches[i].caption), this);
        auto* box = new CheckBox(this, QString());
        switches_.append(box);
        const int row = i / 2, col = (i % 2) * 2;
        grid->addWidget(caption, row, col);
        grid->addWidget(box, row, col + 1);
    }
    page->addLayout(grid);

    auto choiceRow = [this, page](int caption, const int (&texts)[4]) {
        auto* row = new QHBoxLayout;
        row->setSpacing(20);
        row->setContentsMargins(7, 7, 7, 7);
        row->addWidget(new QLabel(textRow(caption), this));
        auto* group = new QButtonGroup(this);
        for (int id = 0; id < 4; ++id) {
            auto* b = new QRadioButton(textRow(texts[id]), this);
            group->addButton(b, id);
            row->addWidget(b);
        }
        row->addStretch();
        page->addLayout(row);
        return group;
    };
    input4_ = choiceRow(203, {304, 301, 302, 303});
    output4_ = choiceRow(334, {304, 305, 306, 307});

    page->addWidget(createHorizontalSplitLine(this, "#f5f5f5"));
    auto* initGrid = new QGridLayout;
    initGrid->setSpacing(20);
    for (int i = 0; i < 4; ++i) {
        auto* caption = new QLabel(textRow(kInitCaptions[i]), this);
        auto* group = new QButtonGroup(this);
        auto* brk = new QRadioButton(textRow(204), this);
        auto* close = new QRadioButton(textRow(211), this);
        group->addButton(brk, 0);
        group->addButton(close, 1);
        initGroups_.append(group);
        initWidgets_ << caption << brk << close;
        const int row = i / 2, col = (i % 2) * 3;
        initGrid->addWidget(caption, row, col);
        initGrid->addWidget(brk, row, col + 1);
        initGrid->addWidget(close, row, col + 2);
    }
    page->addLayout(initGrid);
    page->addStretch();
    for (QWidget* w : initWidgets_)
        w->hide();
}

void IOFunctionsWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    const WizardPara& p = *gpWParaBak;
    for (int i = 0; i < 12; ++i)
        showSwitch(switches_[i], p.*kSwitches[i].field);
    showChoice(input4_, p.enable_output_thimble_pulse);
    showChoice(output4_, p.enable_mold_backup);
    for (int i = 0; i < 4; ++i)
        showChoice(initGroups_[i], p.output_polarity[kInitOutputs[i]]);
}

void IOFunctionsWidget::accept()
{
    if (!gpWParaBak)
        return;
    WizardPara& p = *gpWParaBak;
    for (int i = 0; i < 12; ++i)
        storeSwitch(switches_[i], p.*kSwitches[i].field);
    storeChoice(input4_, p.enable_output_thimble_pulse);
    storeChoice(output4_, p.enable_mold_backup);
    for (int i = 0; i < 4; ++i)
        storeChoice(initGroups_[i], p.output_polarity[kInitOutputs[i]]);
}

bool IOFunctionsWidget::initialStatesShown() const
{
    return !initWidgets_.isEmpty() && initWidgets_.first()->isVisibleTo(this);
}

void IOFunctionsWidget::showEvent(QShowEvent* event)
{
    const bool factory = factorySwitch_ ? factorySwitch_() : FactoryParamShown(this);
    for (QWidget* w : initWidgets_)
        w->setVisible(factory);
    BWidget::showEvent(event);
}
