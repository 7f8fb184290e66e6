#include "settings/pageslider.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "widgets/blinelabel.h"

const char* const kPageValueLabelStyle =
    "font-size:32px;color:#1f3f8d;border-width:0px 0px 2px 0px;border-style:solid;border-color:#1f3f8d;";
const char* const kPageUnitLabelStyle = "font-size:16px;color:#656263;";

void PageSlider::setVisible(bool on) const
{
    caption->setVisible(on);
    slider->setVisible(on);
    value->setVisible(on);
    unit->setVisible(on);
}

PageSlider AddPageSlider(QGridLayout* grid, int row, QWidget* parent, const QString& caption, int minimum,
                         int maximum, const QString& unit)
{
    PageSlider s;
    s.caption = new QLabel(caption, parent);
    s.slider = new QSlider(Qt::Horizontal, parent);
    s.slider->setRange(minimum, maximum);
    s.slider->setFixedWidth(600);
    s.value = new BlineLabel(s.slider, parent, caption, QString(), KeyboardDigital);
    s.value->setStyleSheet(kPageValueLabelStyle);
    s.value->setMinimumWidth(80);
    s.value->setAlignment(Qt::AlignCenter);
    s.unit = new QLabel(unit, parent);
    s.unit->setStyleSheet(kPageUnitLabelStyle);
    grid->addWidget(s.caption, row, 0);
    grid->addWidget(s.slider, row, 1);
    grid->addWidget(s.value, row, 2);
    grid->addWidget(s.unit, row, 3);
    return s;
}

void LoadSlider(QSlider* slider, int stored)
{
    const int before = slider->value();
    slider->setValue(stored);
    if (slider->value() == before && stored != before)
        emit slider->valueChanged(slider->value());
}
