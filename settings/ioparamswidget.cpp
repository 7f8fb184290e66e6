#include "settings/ioparamswidget.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "settings/advancefuncwidget.h"
#include "settings/pagechoices.h"
#include "settings/pageslider.h"
#include "widgets/blinelabel.h"
#include "widgets/combobox.h"
#include "widgets/fittext.h"
#include "widgets/textrow.h"

namespace {

struct SliderRow {
    int caption;
    int maximum;
    bool tenths;
    int WizardPara::*field;
};

const SliderRow kSliders[5] = {
    {336, 10000, false, &WizardPara::input_timeout_len},
    {168, 1000, true, &WizardPara::thimble_pulse},
    {169, 1000, true, &WizardPara::mold_pulse},
    {166, 100, true, &WizardPara::pre_cut},
    {524, 100, true, &WizardPara::input_debounce},
};

}  // namespace

IOParamsWidget::IOParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");

    auto* procedureRow = new QHBoxLayout;
    procedureRow->setSpacing(30);
    // The caption and the five radios share the row (1220 px less the spacing and the 80 px of each
    // indicator): longer texts are set smaller, never squeezed by the row.
    auto* procedureCaption = new QLabel(textRow(584), this);
    FitInLayout(procedureCaption, procedureCaption->text(), 170, 22);
    procedureRow->addWidget(procedureCaption);
    procedure_ = new QButtonGroup(this);
    const int procedureRows[5] = {384, 385, 386, 399, 472};
    for (int id = 0; id < 5; ++id) {
        auto* b = new QRadioButton(textRow(procedureRows[id]), this);
        FitInLayout(b, b->text(), 100, 22);
        procedure_->addButton(b, id);
        procedureRow->addWidget(b);
    }
    procedureRow->addStretch();

    // Placed directly on the page, over the gap between the procedure row and the sliders.
    cavityCaption_ = new QLabel(textRow(585), this);
    cavityCaption_->setGeometry(96, 150, 100, 50);
    FitLabel(cavityCaption_, 22);
    cavity_ = new QButtonGroup(this);
    const int cavityRows[3] = {376, 377, 383};
    const int cavityX[3] = {210, 370, 550};
    for (int id = 0; id < 3; ++id) {
        auto* b = new QRadioButton(textRow(cavityRows[id]), this);
        b->setGeometry(cavityX[id], 150, 200, 50);
        FitCaption(b, {b->text()}, 200 - 80, 22);
        cavity_->addButton(b, id);
    }
    customIO_ = new QPushButton(textRow(473), this);
    customIO_->setGeometry(220, 150, 200, 50);
    ioName_ = new QPushButton(textRow(498), this);
    ioName_->setGeometry(510, 150, 200, 50);
    for (QPushButton* b : {customIO_, ioName_})
        FitCaption(b, {b->text()}, 200 - 4, 22);
    showProcedureControls(-1);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(40);
    grid->setContentsMargins(0, 50, 100, 50);
    for (int r = 0; r < 5; ++r) {
        const PageSlider row = AddPageSlider(grid, r, this, textRow(kSliders[r].caption), 0, kSliders[r].maximum,
                                             textRow(540));
        row.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row.unit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        sliders_.append(row.slider);
        values_.append(row.value);
        connect(row.slider, &QSlider::valueChanged, this, &IOParamsWidget::slotQSliderValue);
    }

    auto* page = new QVBoxLayout(this);
    page->setSpacing(100);
    page->setContentsMargins(100, 50, 50, 50);
    page->addLayout(procedureRow);
    page->addLayout(grid);

    // The initial states of outputs 5 to 9 exist only when the page is built in procedure 4; a
    // change to or from it takes effect at the next start.
    if (gpWPara && gpWPara->io_mode == 4) {
        auto* initRow = new QHBoxLayout;
        initCaption_ = new QLabel(textRow(586), this);
        initRow->addWidget(initCaption_);
        for (int i = 0; i < 5; ++i) {
            auto* c = new ComboBox(this);
            c->setFixedSize(180, 50);
            c->addItem(textRow(204));
            c->addItem(textRow(211));
            initCombos_.append(c);
            initRow->addWidget(c);
        }
        initRow->addStretch();
        page->addLayout(initRow);
    }
    page->addStretch();
}

bool IOParamsWidget::multiDetectionInForce() const
{
    return !initCombos_.isEmpty() && gpWPara && gpWPara->io_mode == 4;
}

void IOParamsWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    const WizardPara& p = *gpWParaBak;
    for (int r = 0; r < 5; ++r) {
        sliders_[r]->setValue(p.*kSliders[r].field);
        shownValues_[r] = sliders_[r]->value();
    }
    showChoice(procedure_, p.io_mode_chosen);
    showChoice(cavity_, p.io_sub_mode);
    if (multiDetectionInForce()) {
        for (int i = 0; i < 5; ++i)
            showChoice(initCombos_[i], p.output_polarity[4 + i]);
    }
}

void IOParamsWidget::accept()
{
    if (!gpWParaBak)
        return;
    WizardPara& p = *gpWParaBak;
    storeChoice(procedure_, p.io_mode_chosen);
    // A stored value beyond a slider's range is kept unless the slider was moved.
    for (int r = 0; r < 5; ++r) {
        if (sliders_[r]->value() != shownValues_[r])
            p.*kSliders[r].field = sliders_[r]->value();
    }
    storeChoice(cavity_, p.io_sub_mode);
    if (multiDetectionInForce()) {
        for (int i = 0; i < 5; ++i)
            storeChoice(initCombos_[i], p.output_polarity[4 + i]);
        p.first_stage_on = 1;
    }
}

void IOParamsWidget::slotQSliderValue(int value)
{
    const int r = sliders_.indexOf(qobject_cast<QSlider*>(sender()));
    if (r < 0)
        return;
    values_[r]->setText(kSliders[r].tenths ? QString::number(value / 10.0, 'g', 6) : QString::number(value));
}

void IOParamsWidget::showProcedureControls(int procedure)
{
    const bool cavityChoice = procedure == 1 || procedure == 2;
    const bool multi = procedure == 4;
    cavityCaption_->setVisible(cavityChoice || multi);
    for (QAbstractButton* b : cavity_->buttons())
        b->setVisible(cavityChoice);
    customIO_->setVisible(multi);
    ioName_->setVisible(multi);
}

void IOParamsWidget::updateInitialStateRow()
{
    if (!initCaption_)
        return;
    const bool factory = factorySwitch_ ? factorySwitch_() : FactoryParamShown(this);
    if (!factory || !multiDetectionInForce()) {
        // Factory controls stay out of sight with the switch off, combos included.
        initCaption_->hide();
        for (ComboBox* c : initCombos_)
            c->hide();
        return;
    }
    const int n = gpWParaBak ? gpWParaBak->stage_count : 0;
    initCaption_->setVisible(n >= 4);
    for (int i = 0; i < 5; ++i)
        initCombos_[i]->setVisible(n >= 4 + i);
}

void IOParamsWidget::showEvent(QShowEvent* event)
{
    showProcedureControls(procedure_->checkedId());
    updateInitialStateRow();
    BWidget::showEvent(event);
}
