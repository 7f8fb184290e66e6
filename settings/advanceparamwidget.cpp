#include "settings/advanceparamwidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "widgets/blineedit.h"
#include "widgets/blinelabel.h"
#include "widgets/fittext.h"
#include "widgets/textrow.h"

int ScreenOffDelay(int seconds)
{
    return seconds >= 1 && seconds <= 9 ? 10 : seconds;
}

AdvanceparamWidget::AdvanceparamWidget(QWidget* parent) : QWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}QPushButton{color:#656263;}QSlider { height:120;}"
                  "QSlider::handle:horizontal{ }QComboBox { combobox-popup: 0;}"
                  "QComboBox QAbstractItemView::item { min-height: 60px; }");

    auto sized = [](QWidget* w, int width, int height) {
        w->setFixedSize(width, height);
        return w;
    };
    auto* saveRow = new QHBoxLayout;
    saveRow->setSpacing(20);
    saveRow->setContentsMargins(0, 0, 0, 0);
    auto* saveCaption = new QLabel(textRow(261), this);
    saveRow->addWidget(sized(saveCaption, 130, 50));
    groupName = new BLineEdit(this, QString(), QString(), KeyboardFull);
    saveRow->addWidget(sized(groupName, 200, 50));
    saveButton = new QPushButton(textRow(182), this);
    saveRow->addWidget(sized(saveButton, 100, 50));
    saveRow->addStretch();

    auto* readRow = new QHBoxLayout;
    readRow->setSpacing(20);
    readRow->setContentsMargins(0, 0, 0, 0);
    auto* readCaption = new QLabel(textRow(571), this);
    readRow->addWidget(sized(readCaption, 130, 50));
    groupList = new QComboBox(this);
    groupList->setItemDelegate(new QStyledItemDelegate(groupList));
    groupList->setFixedWidth(200);
    readRow->addWidget(groupList);
    restoreButton = new QPushButton(textRow(183), this);
    readRow->addWidget(sized(restoreButton, 100, 50));
    deleteButton = new QPushButton(textRow(184), this);
    readRow->addWidget(sized(deleteButton, 100, 50));
    readRow->addStretch();
    // Captions longer than their fixed boxes are set smaller, the two labels on two lines if need be.
    for (QLabel* l : {saveCaption, readCaption})
        FitLabel(l, 22);
    for (QPushButton* b : {saveButton, restoreButton, deleteButton})
        FitCaption(b, {b->text()}, 100 - 4, 22);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(20);
    grid->setHorizontalSpacing(0);
    grid->setContentsMargins(0, 50, 100, 50);
    offset = AddPageSlider(grid, 0, this, textRow(213), 1, 8000);
    amplify = AddPageSlider(grid, 1, this, textRow(188), 0, 4);
    minSpot = AddPageSlider(grid, 2, this, textRow(181), 1, 20, "个");
    angle = AddPageSlider(grid, 3, this, textRow(403), 0, 180);
    screenOff = AddPageSlider(grid, 4, this, textRow(243), 0, 9999, textRow(540));
    autoLogout = AddPageSlider(grid, 5, this, textRow(189), 0, 1000, textRow(540));
    templateCount = AddPageSlider(grid, 6, this, textRow(185), kTemplateCountRange.min, kTemplateCountRange.max,
                                  textRow(570));
    ngRecords = AddPageSlider(grid, 7, this, textRow(186), 0, 500, textRow(570));
    okRecords = AddPageSlider(grid, 8, this, textRow(187), 0, 500, textRow(570));

    auto* column = new QVBoxLayout(this);
    column->setSpacing(20);
    column->setContentsMargins(100, 50, 50, 30);
    column->addLayout(saveRow);
    column->addLayout(readRow);
    column->addLayout(grid);
    column->addStretch();

    for (const PageSlider* s : {&offset, &amplify, &minSpot, &angle, &screenOff, &autoLogout, &templateCount,
                                &ngRecords, &okRecords}) {
        valueLabels_.insert(s->slider, s->value);
        connect(s->slider, &QSlider::valueChanged, this, &AdvanceparamWidget::slotQSliderValue);
    }
}

void AdvanceparamWidget::WizardParaInit()
{
    if (const WizardPara* p = gpWParaBak) {
        LoadSlider(offset.slider, p->location_adge);
        LoadSlider(amplify.slider, p->difference_multiplier);
        LoadSlider(minSpot.slider, p->min_spot);
        LoadSlider(angle.slider, p->shape_angle_limit);
        LoadSlider(screenOff.slider, p->location_level);
        LoadSlider(autoLogout.slider, p->auto_cancel_timelen);
        LoadSlider(templateCount.slider, p->max_mold_num);
        LoadSlider(ngRecords.slider, p->ng_max_num);
        LoadSlider(okRecords.slider, p->ok_record_max_num);
    }
    groupName->clear();
    groupList->setCurrentIndex(0);
    groupName->clear();
    groupList->setCurrentIndex(gpWPara ? gpWPara->param_group : 0);
}

void AdvanceparamWidget::accept()
{
    WizardPara* p = gpWParaBak;
    if (!p)
        return;
    p->location_adge = offset.slider->value();
    p->difference_multiplier = amplify.slider->value();
    p->min_spot = minSpot.slider->value();
    p->shape_angle_limit = angle.slider->value();
    p->location_level = screenOff.slider->value();
    p->auto_cancel_timelen = autoLogout.slider->value();
    p->max_mold_num = templateCount.slider->value();
    p->ng_max_num = ngRecords.slider->value();
    p->ok_record_max_num = okRecords.slider->value();
}

void AdvanceparamWidget::slotQSliderValue(int value)
{
    auto* slider = qobject_cast<QSlider*>(sender());
    if (slider == screenOff.slider && ScreenOffDelay(value) != value) {
        slider->setValue(ScreenOffDelay(value));  // announces 10 again, which writes the label
        return;
    }
    if (QLabel* label = valueLabels_.value(sender()))
        label->setText(QString::number(value, 10));
}
