#include "settings/camerafunctionswidget.h"

#include <QGridLayout>
#include <QLabel>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "settings/advancefuncwidget.h"
#include "widgets/checkbox.h"
#include "widgets/textrow.h"

bool DisplayDetailNeeded(const WizardPara& p)
{
    return p.enable_spot_detect || p.enable_black_area_detect || p.enable_white_area_detect ||
           p.enable_white_count_detect || p.enable_direction_detect;
}

CameraFunctionsWidget::CameraFunctionsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(100, 50, 100, 50);
    grid->setVerticalSpacing(36);
    grid->setHorizontalSpacing(30);
    auto add = [&](int column, int row, int text) {
        auto* label = new QLabel(textRow(text), this);
        auto* box = new CheckBox(this, QString());
        grid->addWidget(label, row, column * 2);
        grid->addWidget(box, row, column * 2 + 1);
        rows_ << label << box;
        return box;
    };
    autoShading = add(0, 0, 388);
    colorCamera = add(0, 1, 270);
    externalTrigger = add(0, 2, 519);
    defectDetect = add(0, 3, 196);
    ignoreArea = add(0, 4, 198);
    blackArea = add(0, 5, 390);
    similarity = add(0, 6, 397);
    blackCount = add(0, 7, 583);
    noLensOptimize = add(1, 0, 337);
    grayChannel = add(1, 1, 271);
    displayDetail = add(1, 2, 200);
    spotDetect = add(1, 3, 197);
    manualEdit = add(1, 4, 199);
    whiteArea = add(1, 5, 391);
    whiteCount = add(1, 6, 520);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(8, 1);
}

void CameraFunctionsWidget::WizardParaInit()
{
    const WizardPara* p = gpWParaBak;
    if (!p)
        return;
    autoShading->setValue(p->auto_wdr);
    colorCamera->setValue(p->enable_color_camera);
    externalTrigger->setValue(p->image_trigger);
    defectDetect->setValue(p->enable_defect_detect);
    ignoreArea->setValue(p->enable_ignore_area);
    blackArea->setValue(p->enable_black_area_detect);
    similarity->setValue(p->enable_similarity_detect);
    blackCount->setValue(p->enable_direction_detect);
    noLensOptimize->setValue(p->prohibit_optimize);
    grayChannel->setValue(p->enable_gray_channel);
    displayDetail->setValue(p->enable_display_detail);
    spotDetect->setValue(p->enable_spot_detect);
    manualEdit->setValue(p->enable_manual_edit);
    whiteArea->setValue(p->enable_white_area_detect);
    whiteCount->setValue(p->enable_white_count_detect);
}

void CameraFunctionsWidget::accept()
{
    WizardPara* p = gpWParaBak;
    if (!p)
        return;
    p->auto_wdr = autoShading->value();
    p->enable_color_camera = colorCamera->value();
    p->enable_defect_detect = defectDetect->value();
    p->enable_ignore_area = ignoreArea->value();
    p->enable_black_area_detect = blackArea->value();
    p->enable_similarity_detect = similarity->value();
    p->enable_direction_detect = blackCount->value();
    p->prohibit_optimize = noLensOptimize->value();
    p->enable_gray_channel = grayChannel->value();
    p->enable_spot_detect = spotDetect->value();
    p->enable_manual_edit = manualEdit->value();
    p->enable_white_area_detect = whiteArea->value();
    p->enable_white_count_detect = whiteCount->value();
    if (DisplayDetailNeeded(*p))
        displayDetail->setChecked(true);
    p->enable_display_detail = displayDetail->value();
    p->image_trigger = externalTrigger->value();
}

void CameraFunctionsWidget::showEvent(QShowEvent* event)
{
    const bool factory = FactoryParamShown(this);
    for (QWidget* w : rows_)
        w->setVisible(factory);
    BWidget::showEvent(event);
}
