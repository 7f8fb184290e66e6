#include "settings/systemparamswidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "widgets/blinelabel.h"
#include "widgets/textrow.h"

namespace {

bool multiDetection()
{
    return gpWPara && gpWPara->io_mode == 4;
}

}  // namespace

SystemParamsWidget::SystemParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
    const bool multi = multiDetection();
    struct RowSpec {
        int label;
        int min, max;
        QString unit;
    };
    const RowSpec rows[RowCount] = {
        {multi ? 508 : 161, 0, 1000, textRow(540)},
        {multi ? 509 : 162, 0, 1000, textRow(540)},
        {167, 0, 10, QString::fromUtf8("次")},
        {22, 1, 10, QString()},
        {24, kAlarmAreaRange.min, kAlarmAreaRange.max, QString()},
    };
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(100, 50, 100, 50);
    grid->setVerticalSpacing(40);
    for (int r = 0; r < RowCount; ++r) {
        row[r] = AddPageSlider(grid, r, this, textRow(rows[r].label), rows[r].min, rows[r].max, rows[r].unit);
        slider[r] = row[r].slider;
        value[r] = row[r].value;
        if (r == Delay1)
            slider[r]->setSingleStep(0);
        connect(slider[r], SIGNAL(valueChanged(int)), this, SLOT(slotQSliderValue(int)));
        ShowValue(r, slider[r]->value());
    }
    grid->setRowStretch(RowCount, 1);
    grid->setColumnStretch(4, 1);
    labelReCheck = row[ReCheck].caption;
    paraInit();
}

void SystemParamsWidget::paraInit()
{
    if (!multiDetection()) {
        labelReCheck->setText(textRow(167));
        return;
    }
    // The ordinal of the last stage: rows 478..484 for a stage count of 2..8.
    const int count = qBound(2, gpWPara->stage_count, 8);
    labelReCheck->setText(textRow(511).arg(textRow(476 + count)));
}

void SystemParamsWidget::ShowValue(int row, int v)
{
    if (row == Delay1 || row == Delay2)
        value[row]->setText(QString::number(v / 10.0, 'g', 6));
    else
        value[row]->setText(QString::number(v));
}

void SystemParamsWidget::slotQSliderValue(int v)
{
    for (int r = 0; r < RowCount; ++r) {
        if (sender() == slider[r])
            ShowValue(r, v);
    }
}

void SystemParamsWidget::WizardParaInit()
{
    const WizardPara& p = *gpWParaBak;
    const int stored[RowCount] = {p.stage_delay[0], p.stage_delay[1], p.front_auto_check_time, p.minimum_size,
                                  p.minimum_area};
    for (int r = 0; r < RowCount; ++r) {
        LoadSlider(slider[r], stored[r]);  // a stored value outside the range shows at its nearer end
        ShowValue(r, slider[r]->value());
    }
}

void SystemParamsWidget::accept()
{
    WizardPara& p = *gpWParaBak;
    p.stage_delay[0] = slider[Delay1]->value();
    p.stage_delay[1] = slider[Delay2]->value();
    p.front_auto_check_time = slider[ReCheck]->value();
    p.minimum_size = slider[Size]->value();
    p.minimum_area = slider[Area]->value();
}
