// Region parameter panel of the camera view: the sliders of the selected region's parameters, the
// method button, the grey switch, the output number, nudging, moving, "ROI Switch", the cavity
// boxes and copying a region to a tapped point.
#include "vision/camera/cammerwidget.h"

#include <QFont>
#include <QLabel>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "mainscreen/regioneditor.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/inspection/cammersingleton.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/showbox.h"
#include "widgets/slider.h"
#include "widgets/textrow.h"

using namespace RegionEditor;

void CammerWidget::BuildPanel()
{
    sliderMinWH = new Slider(0, 10, 1, 25, this, QString());
    connect(sliderMinWH, &Slider::valueChanged, this, &CammerWidget::SlotMinWH);
    sliderSensitivity = new Slider(0, 255, 1, 25, this, QString());
    connect(sliderSensitivity, &Slider::valueChanged, this, &CammerWidget::SlotSensitivity);
    sliderArea = new Slider(0, 1000, 1, 50, this, QString());
    connect(sliderArea, &Slider::valueChanged, this, &CammerWidget::SlotArea);
    labelFunc = new QLabel(textRow(2), this);
    QFont font("wqy-microhei");
    font.setPixelSize(40);
    labelFunc->setFont(font);
    QPalette pal = labelFunc->palette();
    pal.setColor(QPalette::WindowText, Qt::green);
    labelFunc->setPalette(pal);
    btnFunc = new ColorButton(QString(), this, 3);
    connect(btnFunc, &QPushButton::clicked, this, &CammerWidget::SlotChangeFunc);
    btnGraySwitch = new ColorButton(textRow(3), this, 3);
    connect(btnGraySwitch, &QPushButton::clicked, this, &CammerWidget::SlotChangeParaSow);
    comboOutput = new ComboBox(this);
    for (int k = 0; k < 4; ++k)
        comboOutput->addItem(QString("N%1").arg(k + 1), k);
    QFont comboFont("wqy-microhei");
    comboFont.setPixelSize(20);
    comboOutput->setFont(comboFont);
    comboOutput->setItemHeight(50);
    connect(comboOutput, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CammerWidget::SlotOutN);
    btnNextROI = new ColorButton(textRow(4), this, 3);
    connect(btnNextROI, &QPushButton::clicked, this, &CammerWidget::SlotNextROI);
    btnObject = new ColorButton(QString(), this, 3);
    connect(btnObject, &QPushButton::clicked, this, &CammerWidget::SlotChangeObject);
    ColorButton** nudges[4] = {&btnAdd10, &btnAdd1, &btnSub1, &btnSub10};
    void (CammerWidget::*nudgeSlots[4])() = {&CammerWidget::SlotAdd10, &CammerWidget::SlotAdd1,
                                              &CammerWidget::SlotSub1, &CammerWidget::SlotSub10};
    for (int k = 0; k < 4; ++k) {
        *nudges[k] = new ColorButton(QString(), this, 3);
        (*nudges[k])->SetRepeat();
        connect(*nudges[k], &QPushButton::clicked, this, nudgeSlots[k]);
    }
    ColorButton** moves[4] = {&btnMoveUp, &btnMoveDown, &btnMoveLeft, &btnMoveRight};
    void (CammerWidget::*moveSlots[4])() = {&CammerWidget::SlotMoveT, &CammerWidget::SlotMoveB,
                                             &CammerWidget::SlotMoveL, &CammerWidget::SlotMoveR};
    for (int k = 0; k < 4; ++k) {
        *moves[k] = new ColorButton(textRow(5 + k), this, 5);
        (*moves[k])->SetRepeat();
        (*moves[k])->setGeometry(300 + 130 * k, 930, 120, 60);
        connect(*moves[k], &QPushButton::clicked, this, moveSlots[k]);
    }
    btnMoveAll = new ColorButton(QString(), this, 5);
    btnMoveAll->setGeometry(820, 930, 120, 60);
    connect(btnMoveAll, &QPushButton::clicked, this, &CammerWidget::SlotMoveAll);
    void (CammerWidget::*boxSlots[8])() = {
        &CammerWidget::SlotClickCheckBox0, &CammerWidget::SlotClickCheckBox1, &CammerWidget::SlotClickCheckBox2,
        &CammerWidget::SlotClickCheckBox3, &CammerWidget::SlotClickCheckBox4, &CammerWidget::SlotClickCheckBox5,
        &CammerWidget::SlotClickCheckBox6, &CammerWidget::SlotClickCheckBox7};
    for (int k = 0; k < 8; ++k) {
        checkCavity[k] = new CheckBox(this, textRow(460 + k));
        checkCavity[k]->setGeometry(450 + 155 * k, 35, 145, 75);
        connect(checkCavity[k], &QCheckBox::clicked, this, boxSlots[k]);
        checkCavity[k]->hide();
    }
    QWidget* all[] = {sliderMinWH, sliderSensitivity, sliderArea, labelFunc, btnFunc, btnGraySwitch,
                      comboOutput, btnNextROI, btnObject, btnAdd10, btnAdd1, btnSub1, btnSub10,
                      btnMoveUp, btnMoveDown, btnMoveLeft, btnMoveRight, btnMoveAll};
    for (QWidget* w : all)
        w->hide();
}

void CammerWidget::SetSliders()
{
    const int s = viewHost()->editStage();
    SliderSpec spec[3];
    PanelSliders(*modelEdit, s, selectedROI, grayShown, spec);
    Slider* sliders[3] = {sliderMinWH, sliderSensitivity, sliderArea};
    // The slots stay quiet while the ranges change; a value the range clamps is written back
    // afterwards, as a touch would.
    for (int k = 0; k < 3; ++k) {
        if (!spec[k].reset)
            continue;
        panelFilling_ = true;
        sliders[k]->Reset(spec[k].min, spec[k].max, 1, spec[k].value, textRow(spec[k].captionRow));
        panelFilling_ = false;
        if (sliders[k]->value() != spec[k].value)
            ApplyParam(k, sliders[k]->value());
    }
}

void CammerWidget::ShowHideROIPara()
{
    if (!modelEdit || !sliderMinWH)
        return;
    testShown = false;
    const int s = viewHost()->editStage();
    QWidget* panel[] = {sliderMinWH, sliderSensitivity, sliderArea, labelFunc, btnFunc, btnGraySwitch,
                        btnObject, btnAdd10, btnAdd1, btnSub1, btnSub10, btnNextROI, comboOutput};
    QWidget* moveButtons[] = {btnMoveUp, btnMoveDown, btnMoveLeft, btnMoveRight, btnMoveAll};
    if (selectedROI < 0 || s < 0 || s >= MAX_DETECT || selectedROI >= modelEdit->roiNum[s]) {
        for (QWidget* w : panel)
            w->hide();
        for (QWidget* w : moveButtons)
            w->hide();
        moveScope = 0;
        editObject = 0;
        btnMoveAll->setText(textRow(12));
        update();
        return;
    }
    const int r = selectedROI;
    const WizardPara& p = *gpWPara;
    const bool detail = p.enable_display_detail != 0;
    const QRect ir = RegionImageRect(*modelEdit, s, r);
    const int top = PanelTop(ir.top(), ir.bottom(), detail);
    const int x2 = gShowW / 2 + 424;
    sliderSensitivity->setGeometry(QRect(QPoint(400, top), QPoint(x2, top + 44)));
    int row = top + 50;
    if (detail) {
        sliderArea->setGeometry(QRect(QPoint(400, top + 50), QPoint(x2, top + 94)));
        sliderMinWH->setGeometry(QRect(QPoint(400, top + 100), QPoint(x2, top + 144)));
        row = top + 150;
    }
    auto place = [row](QWidget* w, int a, int b) { w->setGeometry(QRect(QPoint(a, row), QPoint(b, row + 44))); };
    place(labelFunc, 400, 479);
    labelFunc->setStyleSheet("font-size : 26px");
    place(btnFunc, 483, 602);
    place(btnGraySwitch, 606, 725);
    place(comboOutput, 729, 783);
    place(btnNextROI, 787, 906);
    place(btnObject, 910, 1002);
    place(btnAdd10, 1006, 1098);
    place(btnAdd1, 1102, 1194);
    place(btnSub1, 1198, 1290);
    place(btnSub10, 1294, 1386);

    grayShown = false;
    const int method = modelEdit->method[s][r];
    SetSliders();
    btnFunc->setText(textRow(MethodTextRow(method)));

    for (QWidget* w : moveButtons)
        w->show();
    btnGraySwitch->setVisible(method == 1);
    if (moveScope != 0) {
        for (QWidget* w : panel)
            w->hide();
    } else {
        sliderMinWH->setVisible(detail && method != 4 && method != 5 && method != 6);
        sliderArea->setVisible(detail && method != 6);
        const bool several = EnabledMethodCount(p) > 1;
        btnFunc->setVisible(several);
        labelFunc->setVisible(several);
        QWidget* shown[] = {sliderSensitivity, btnObject, btnAdd10, btnAdd1, btnSub1, btnSub10, btnNextROI};
        for (QWidget* w : shown)
            w->show();
        if (s == 0 && p.enable_stop_not_alarm) {
            panelFilling_ = true;
            comboOutput->setCurrentIndex(std::clamp(modelEdit->outputNo[r], 0, 3));
            panelFilling_ = false;
            comboOutput->show();
        } else {
            comboOutput->hide();
        }
    }
    const int kind = modelEdit->shapeType[s][r];
    if (kind == ShapeCircle && (editObject == 0 || editObject == 1)) {
        btnAdd10->setText("+10");
        btnAdd1->setText("+1");
        btnSub1->setText("-1");
        btnSub10->setText("-10");
    } else {
        btnAdd10->setText("Y -1");
        btnAdd1->setText("X -1");
        btnSub1->setText("Y +1");
        btnSub10->setText("X +1");
    }
    if (kind == ShapeRect)
        btnObject->setText(textRow(editObject == 1 ? 29 : 30));
    else if (kind == ShapeCircle)
        btnObject->setText(textRow(editObject == 1 ? 26 : editObject == 2 ? 27 : 28));
    else if (kind == ShapePolygon)
        btnObject->setText(textRow(31).arg(editObject + 1));
    update();
}

void CammerWidget::ApplyParam(int which, int v)
{
    if (panelFilling_ || !modelEdit || selectedROI < 0)
        return;
    const int s = viewHost()->editStage();
    const int r = selectedROI;
    if (s < 0 || s >= MAX_DETECT || r >= modelEdit->roiNum[s])
        return;
    if (which == 0) {
        if (modelEdit->method[s][r] == 1)
            modelEdit->param1[s][r] = SpotGrey(modelEdit->param1[s][r], v, grayShown);
        else
            modelEdit->param1[s][r] = v;
    } else if (which == 1) {
        modelEdit->param2[s][r] = v;
    } else {
        modelEdit->param3[s][r] = v;
    }
    // The filter size and the area are what the defect region's size hints show.
    if (which != 1 && modelEdit->method[s][r] == 0)
        viewHost()->showSizeHint();
    if (recogniser)
        recogniser->RunTest(s, r);
}

void CammerWidget::SlotMinWH(int v) { ApplyParam(0, v); }
void CammerWidget::SlotSensitivity(int v) { ApplyParam(1, v); }
void CammerWidget::SlotArea(int v) { ApplyParam(2, v); }

void CammerWidget::SlotOutN(int i)
{
    if (panelFilling_ || !modelEdit || selectedROI < 0 || viewHost()->editStage() != 0)
        return;
    if (selectedROI < modelEdit->roiNum[0] && i >= 0 && i <= 3)
        modelEdit->outputNo[selectedROI] = i;
}

void CammerWidget::SlotChangeFunc()
{
    if (!modelEdit || selectedROI < 0 || !gpWPara)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT || selectedROI >= modelEdit->roiNum[s])
        return;
    const int m = modelEdit->method[s][selectedROI];
    const int next = NextMethod(*gpWPara, m);
    if (next != m || MethodEnabled(*gpWPara, next))
        ApplyMethodDefaults(*modelEdit, s, selectedROI, next);
    ShowHideROIPara();
    grayShown = false;
}

void CammerWidget::SlotChangeParaSow()
{
    grayShown = !grayShown;
    const int s = viewHost()->editStage();
    if (modelEdit && selectedROI >= 0 && s >= 0 && s < MAX_DETECT && selectedROI < modelEdit->roiNum[s]
        && modelEdit->method[s][selectedROI] == 1) {
        const int p1 = modelEdit->param1[s][selectedROI];
        panelFilling_ = true;
        sliderMinWH->Reset(0, 255, 1, grayShown ? (p1 >> 8) & 255 : p1 & 255, textRow(grayShown ? 11 : 10));
        panelFilling_ = false;
    }
    update();
}

void CammerWidget::SlotChangeObject()
{
    if (!modelEdit || selectedROI < 0)
        return;
    const int count = ObjectCount(*modelEdit, viewHost()->editStage(), selectedROI);
    editObject++;
    if (editObject >= count)
        editObject = 0;
    ShowHideROIPara();
    update();
}

void CammerWidget::SlotAdd10() { SlotSize(0); }
void CammerWidget::SlotAdd1() { SlotSize(1); }
void CammerWidget::SlotSub1() { SlotSize(2); }
void CammerWidget::SlotSub10() { SlotSize(3); }

void CammerWidget::SlotSize(int dir)
{
    if (!modelEdit || selectedROI < 0)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT || selectedROI >= modelEdit->roiNum[s])
        return;
    Nudge(*modelEdit, s, selectedROI, editObject, dir);
    maskEdit[s][selectedROI] = RegionMask(*modelEdit, s, selectedROI);
    update();
}

void CammerWidget::SlotNextROI()
{
    if (!modelEdit)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT)
        return;
    const int count = std::clamp(modelEdit->roiNum[s], 0, MAX_ROI);
    for (int k = 1; k <= count; ++k) {
        const int r = (selectedROI + k) % count;
        if (r < 0)
            continue;
        bool hit = false;
        int handle = -1;
        switch (modelEdit->shapeType[s][r]) {
        case ShapeRect:
            hit = modelEdit->rects[s][r].Contains(hitPoint) || modelEdit->rects[s][r].PtInCtrl(hitPoint, &handle);
            break;
        case ShapeCircle:
            hit = modelEdit->circles[s][r].Contains(hitPoint) || modelEdit->circles[s][r].PtInCtrl(hitPoint, &handle);
            break;
        case ShapePolygon:
            hit = modelEdit->polygons[s][r].Contains(hitPoint) || modelEdit->polygons[s][r].PtInCtrl(hitPoint, &handle);
            break;
        default: break;
        }
        if (!hit)
            continue;
        const int keepScope = moveScope;
        DeselectROI();
        moveScope = keepScope;
        selectedROI = r;
        switch (modelEdit->shapeType[s][r]) {
        case ShapeRect: modelEdit->rects[s][r].SetSelected(true); break;
        case ShapeCircle: modelEdit->circles[s][r].SetSelected(true); break;
        case ShapePolygon: modelEdit->polygons[s][r].SetSelected(true); break;
        default: break;
        }
        ShowHideROIPara();
        update();
        return;
    }
}

void CammerWidget::SlotMove(int dx, int dy)
{
    if (!modelEdit || selectedROI < 0)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT || selectedROI >= modelEdit->roiNum[s])
        return;
    QVector<int> rois;
    if (moveScope == 2) {
        for (int r = 0; r < modelEdit->roiNum[s]; ++r)
            rois << r;
    } else {
        rois << selectedROI;
    }
    // All or none: a polygon that would leave the margin stops the whole command.
    if (!MoveRegions(*modelEdit, s, rois, dx, dy, gShowW, gShowH))
        return;
    for (int r : rois)
        maskEdit[s][r] = RegionMask(*modelEdit, s, r);
    ShowHideROIPara();
    update();
}

void CammerWidget::SlotMoveT() { SlotMove(0, -1); }
void CammerWidget::SlotMoveB() { SlotMove(0, 1); }
void CammerWidget::SlotMoveL() { SlotMove(-1, 0); }
void CammerWidget::SlotMoveR() { SlotMove(1, 0); }

void CammerWidget::SlotMoveAll()
{
    if (selectedROI < 0)
        return;
    moveScope = (moveScope + 1) % 3;
    btnMoveAll->setText(textRow(moveScope == 1 ? 32 : moveScope == 2 ? 34 : 12));
    ShowHideROIPara();
}

void CammerWidget::ClickCheckBox(int k)
{
    // The boxes always edit stage 1's flags, whichever stage is shown.
    if (!modelEdit || k < 0 || k >= 8)
        return;
    modelEdit->cavity[1][k] = checkCavity[k]->isChecked() ? 2 : 0;
}

void CammerWidget::SlotClickCheckBox0() { ClickCheckBox(0); }
void CammerWidget::SlotClickCheckBox1() { ClickCheckBox(1); }
void CammerWidget::SlotClickCheckBox2() { ClickCheckBox(2); }
void CammerWidget::SlotClickCheckBox3() { ClickCheckBox(3); }
void CammerWidget::SlotClickCheckBox4() { ClickCheckBox(4); }
void CammerWidget::SlotClickCheckBox5() { ClickCheckBox(5); }
void CammerWidget::SlotClickCheckBox6() { ClickCheckBox(6); }
void CammerWidget::SlotClickCheckBox7() { ClickCheckBox(7); }

void CammerWidget::SetCheckBoxState(int stage)
{
    if (!modelEdit || !checkCavity[0] || stage < 0 || stage >= MAX_DETECT)
        return;
    for (int k = 0; k < 8; ++k)
        checkCavity[k]->setChecked(modelEdit->cavity[stage][k] != 0);
}

void CammerWidget::ShowHideCheckBox(bool show)
{
    for (CheckBox* b : checkCavity)
        if (b)
            b->setVisible(show);
}

void CammerWidget::SlotCopyArea(QPoint p)
{
    if (!modelEdit)
        return;
    const int s = viewHost()->editStage();
    if (s < 0 || s >= MAX_DETECT || modelEdit->roiNum[s] <= 0)
        return;
    if (!showChooseBox(textRow(38)))
        return;
    const int count = modelEdit->roiNum[s];
    if (count >= MAX_ROI) {
        showWarnBox(textRow(36));
        return;
    }
    int src = selectedROI;
    if (src < 0 || src >= count)
        src = (previousROI >= 0 && previousROI < count) ? previousROI : count - 1;
    const int n = CopyRegion(*modelEdit, s, src, p);
    if (n < 0)
        return;
    maskEdit[s][n] = RegionMask(*modelEdit, s, n);
    roiValue[s][n] = 0;
    selectedROI = n;
    ShowHideROIPara();
    update();
}
