#include "statistics/temperaturestatisticswidget.h"

#include <QGridLayout>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "widgets/edittempbox.h"

TemperatureStatisticsWidget::TemperatureStatisticsWidget(QWidget* parent) : QWidget(parent)
{
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPointSize(32);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(5, 1);
    for (int col = 0; col < 2; ++col) {
        for (int r = 0; r < 4; ++r) {
            const int i = col * 4 + r;
            auto* b = new EditTempBox(0, 1000, 0, 1000, this, QStringLiteral("温度%1").arg(i + 1),
                                      QStringLiteral("℃"), 2, 10);
            if (gpWPara)
                b->setValueRange(gpWPara->temp_min[i], gpWPara->temp_max[i]);
            b->setFixedSize(360, 50);
            b->setFont(font);
            grid->addWidget(b, r + 1, col, Qt::AlignCenter);
            boxes_[i] = b;
        }
    }
}

void TemperatureStatisticsWidget::updateTemp(float* t)
{
    for (int i = 0; i < 8; ++i)
        boxes_[i]->setValue(int(t[i] * 10));
}

bool TemperatureStatisticsWidget::judgeTemperature()
{
    for (EditTempBox* b : boxes_) {
        // Limits 0/0 (the default) mean the channel is not monitored: any real temperature would
        // be out of them and turn every second-stage verdict NG.
        if (b->getMinValue() == 0 && b->getMaxValue() == 0)
            continue;
        if (!b->judgeValue())
            return true;
    }
    return false;
}

void TemperatureStatisticsWidget::showEvent(QShowEvent* event)
{
    if (gpWPara)
        for (int i = 0; i < 8; ++i)
            boxes_[i]->setValueRange(gpWPara->temp_min[i], gpWPara->temp_max[i]);
    QWidget::showEvent(event);
}

void TemperatureStatisticsWidget::hideEvent(QHideEvent* event)
{
    if (gpWPara) {
        for (int i = 0; i < 8; ++i) {
            gpWPara->temp_min[i] = boxes_[i]->getMinValue();
            gpWPara->temp_max[i] = boxes_[i]->getMaxValue();
        }
        gpWPara->SaveDatatoFile();
    }
    QWidget::hideEvent(event);
}
