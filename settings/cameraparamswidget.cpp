#include "settings/cameraparamswidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "settings/advancefuncwidget.h"
#include "settings/systemsettingwidget.h"
#include "widgets/blinelabel.h"
#include "widgets/textrow.h"

CameraParamsWidget::CameraParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
    subWidget = new CameraParamsSubWidget(this);
    // The panel keeps its own height in the page, also when it comes back from floating.
    subWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    // The divider: a grey line with the page's mark over its middle.
    auto* divider = new QWidget(this);
    divider->setFixedHeight(36);
    auto* dividerRow = new QHBoxLayout(divider);
    dividerRow->setContentsMargins(0, 0, 0, 0);
    auto* lineLeft = new QWidget(divider);
    lineLeft->setFixedHeight(1);
    lineLeft->setStyleSheet("background-color:#d3d3d3");
    auto* lineRight = new QWidget(divider);
    lineRight->setFixedHeight(1);
    lineRight->setStyleSheet("background-color:#d3d3d3");
    auto* mark = new QLabel(divider);
    mark->setPixmap(QPixmap(":/img/icons/4a.png").scaledToHeight(36, Qt::SmoothTransformation));
    dividerRow->addWidget(lineLeft, 1);
    dividerRow->addWidget(mark);
    dividerRow->addWidget(lineRight, 1);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(40);
    clarity = AddPageSlider(grid, 0, this, textRow(241), 0, 100);
    gamma = AddPageSlider(grid, 1, this, textRow(364), kGammaRange.min, kGammaRange.max);
    truth = AddPageSlider(grid, 2, this, textRow(242), 1, 200);
    speed = AddPageSlider(grid, 3, this, textRow(244), 0, 32);
    grid->setColumnStretch(4, 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(subWidget);
    column->addWidget(divider);
    auto* factory = new QVBoxLayout;
    factory->setContentsMargins(50, 20, 50, 20);
    factory->addLayout(grid);
    column->addLayout(factory);
    column->addStretch();

    for (const PageSlider* s : {&clarity, &gamma, &truth, &speed, &subWidget->exposure, &subWidget->gain}) {
        valueLabels_.insert(s->slider, s->value);
        connect(s->slider, &QSlider::valueChanged, this, &CameraParamsWidget::slotQSliderValue);
    }
}

CameraParamsWidget::~CameraParamsWidget()
{
    // A floating panel has no parent to take it along.
    if (subWidget && subWidget->isWindow())
        delete subWidget.data();
}

void CameraParamsWidget::WizardParaInit()
{
    LoadCameraValues(true);
}

void CameraParamsWidget::LoadCameraValues(bool withSpeed)
{
    subWidget->WizardParaInit();
    if (!gpWParaBak)
        return;
    const int c = qBound(0, SystemSettingWidget::outSet, 3);
    LoadSlider(clarity.slider, gpWParaBak->sharpness[c]);
    LoadSlider(truth.slider, gpWParaBak->contrast[c]);
    LoadSlider(gamma.slider, gpWParaBak->gamma[c]);
    if (withSpeed)
        LoadSlider(speed.slider, gpWParaBak->capture_speed);
}

void CameraParamsWidget::accept()
{
    if (gpWParaBak)
        gpWParaBak->capture_speed = speed.slider->value();
}

void CameraParamsWidget::slotQSliderValue(int value)
{
    if (QLabel* label = valueLabels_.value(sender()))
        label->setText(QString::number(value, 10));
}

void CameraParamsWidget::showEvent(QShowEvent* event)
{
    const bool factory = FactoryParamShown(this);
    for (const PageSlider* s : {&clarity, &gamma, &truth, &speed})
        s->setVisible(factory);
    BWidget::showEvent(event);
}
