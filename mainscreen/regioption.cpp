// The region option bar: lists of source, camera and stage, the template buttons and "End Set".
#include "mainscreen/regioption.h"

#include <cstring>

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "mainscreen/alarmoption.h"
#include "mainscreen/drawroiwidget.h"
#include "mainscreen/iostatuswidget.h"
#include "mainscreen/optionlists.h"
#include "mainscreen/regionpagelogic.h"
#include "mainscreen/templatefiles.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "platform/vision/kovvpixel.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/camera/cammerwidget.h"
#include "vision/board/controlport.h"
#include "vision/controller/mainwindow.h"
#include "widgets/boptionbutton.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

namespace {

const char* const kStyle =
    "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;color:#ffffff;font-size:18px;"
    "padding:10px 0px 0px 0px;}BOptionButton:checked{color:#ffffff;background-color:#ee2329;}QComboBox { "
    "combobox-popup: 0;border: 1px solid gray;background-color:#d3d3d3;border-radius: 0px;font-size:18px;padding: "
    "1px 1px 1px 1px;min-width: 6em; }QComboBox::drop-down {subcontrol-origin: padding;subcontrol-position: "
    "right;width: 12px;height: 30px; border:none;}QComboBox QAbstractItemView::item { min-height: 100px; "
    "min-width: 260px; }";

MainWindow* win()
{
    return gpWin;
}

CammerWidget* view(int v)
{
    return win() && win()->ViewBuilt(v) ? win()->cammerWidget[v] : nullptr;
}

CammerWidget* shownView()
{
    const int v = win() ? win()->selectedView : -1;
    return v >= 0 && v < numCamera ? view(v) : nullptr;
}

BOptionButton* makeButton(QWidget* parent, const char* icon, int row)
{
    auto* b = new BOptionButton(parent);
    b->setIcon(QIcon(icon));
    b->setText(textRow(row));
    b->setCheckable(true);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFixedSize(175, 112);
    return b;
}

}  // namespace

RegiOption::RegiOption(QWidget* parent) : BWidget(parent)
{
    OptionLists::InitPictures();
    lastType = 0;
    comboSource = new QComboBox;
    OptionLists::SizeList(comboSource);
    const QIcon sourceIcon(":/img/icons/104.png");
    // The first entry is this fixed text in every language.
    comboSource->addItem(sourceIcon, QString::fromUtf8("模板"), 0);
    comboSource->addItem(sourceIcon, textRow(224), 1);
    comboSource->addItem(sourceIcon, textRow(60), 2);
    comboSource->addItem(sourceIcon, textRow(216), 3);
    comboSource->addItem(sourceIcon, textRow(217), 4);
    OptionLists::FitTexts(comboSource);

    comboCamera = new QComboBox;
    OptionLists::SizeList(comboCamera);
    OptionLists::FillCameras(comboCamera);

    comboDetect = new QComboBox;
    OptionLists::SizeList(comboDetect);
    const int mode = gpWPara ? gpWPara->io_mode : 0;
    if (mode == 1 || mode == 2 || mode == 0 || mode == 3 || mode == 5) {
        const int n = (mode == 1 || mode == 2) ? 4 : 2;
        for (int d = 0; d < n; ++d)
            comboDetect->addItem(QIcon(":/img/icons/105.png"), textRow(46).arg(RegionPage::StageName(mode, d)), d);
    } else if (mode == 4) {
        ChangeDetectNum(gpWPara->stage_count);
    }
    OptionLists::FitTexts(comboDetect);

    auto* delegate = new QStyledItemDelegate(this);
    comboDetect->setItemDelegate(delegate);
    comboCamera->setItemDelegate(delegate);
    comboSource->setItemDelegate(delegate);
    connect(comboDetect, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegiOption::ChangeDetectSlot);
    connect(comboCamera, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegiOption::ChangeCameraSlot);
    connect(comboSource, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegiOption::ChangeSourceSlot);

    btnLiveTemp = makeButton(this, ":/img/icons/110.png", 212);
    btnDeleteTemp = makeButton(this, ":/img/icons/106.png", 63);
    btnAddTemp = makeButton(this, ":/img/icons/106.png", 48);
    btnEndSet = makeButton(this, ":/img/icons/38.png", 42);
    for (BOptionButton* b : {btnLiveTemp, btnDeleteTemp, btnAddTemp, btnEndSet})
        connect(b, &BOptionButton::toggled, this, &RegiOption::btnsToggledSlot);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(btnLiveTemp);
    layout->addWidget(comboSource);
    layout->addWidget(comboCamera);
    layout->addWidget(comboDetect);
    layout->addWidget(btnAddTemp);
    layout->addWidget(btnDeleteTemp);
    layout->addStretch();
    layout->addWidget(btnEndSet);
    setStyleSheet(kStyle);
}

void RegiOption::setDetect(int stage)
{
    comboDetect->setCurrentIndex(stage);
}

void RegiOption::SetSource(int source)
{
    comboSource->setCurrentIndex(source);
}

void RegiOption::CheckSource(int source)
{
    if (!OptionLists::Select(comboSource, source))
        ChangeSourceSlot(source);
}

void RegiOption::addTempSlot() {}

void RegiOption::btnsToggledSlot(bool checked)
{
    QObject* s = sender();
    BTN_TYPE type = BTN_NONE;
    if (s == btnDeleteTemp)
        type = BTN_DELETE_TEMP;
    else if (s == btnAddTemp)
        type = BTN_ADD_TEMP;
    else if (s == btnEndSet)
        type = BTN_END_SET;
    else if (s == btnLiveTemp)
        type = BTN_LIVE_TEMP;
    if (type == BTN_NONE)
        return;
    lastType = type;
    emit btnsToggled(type, checked);
}

void RegiOption::ChangeDetectNum(int count)
{
    comboDetect->clear();
    for (int i = 0; i < count && i < 8; ++i)
        comboDetect->addItem(textRow(46).arg(textRow(477 + i)), i);
    OptionLists::FitTexts(comboDetect);
}

void RegiOption::GetTempTIme(int c, int d, int n)
{
    gTempTime = QFileInfo(TemplateFiles::SlotPath(c, d, n)).lastModified().toString("yyyy-MM-dd hh.mm.ss");
}

void RegiOption::ChangeSourceSlot(int source)
{
    MainWindow* w = win();
    if (!w || source < 0)
        return;
    const int previous = gSource;
    const int a = w->alarmState;
    gSource = source;
    viewHost()->setCopyArmed(false);
    if (source == 0 && a == 2 && w->CheckPassword() == 0) {
        // Refused: the previous source and its picture stay; no region is edited unpermitted.
        gSource = previous;
        const QSignalBlocker block(comboSource);
        comboSource->setCurrentIndex(previous >= 0 && previous < comboSource->count() ? previous : 1);
        // Back to what the previous source offers (the alarm bar for the live picture).
        ChangePage();
        return;
    }
    if (a == 2 && source != 1 && gpControlIO) {
        gpControlIO->IOSetOut(2, 0);
        gpControlIO->IOFlashOut();
    }
    for (int v = 0; v < MAX_CAMERA; ++v) {
        if (CammerWidget* x = view(v)) {
            x->tempIndex = 0;
            x->DeselectROI();
            x->ShowHideROIPara();
        }
    }
    int& vm = w->selectedView;
    const int top = source == 1 ? numCamera : numCamera - 1;
    if (vm < 0 || vm > top) {
        vm = 0;
        w->ChangeCammer();
    }
    OptionLists::Select(comboCamera, std::min(vm, comboCamera->count() - 1));
    if (gpWPara->cavity_check_on)
        for (int v = 0; v < MAX_CAMERA; ++v)
            if (CammerWidget* x = view(v))
                x->ShowHideCheckBox(source == 0);
    if (w->ioStatusWidget)
        w->ioStatusWidget->show();
    CammerWidget* x = shownView();
    const int e = viewHost()->editStage();
    const bool stageOk = e >= 0 && e < MAX_DETECT;
    switch (source) {
    case 2:
        if (x && stageOk && x->ngFrames[e][0] && x->frameShown) {
            x->ngIndex = 0;
            std::memcpy(x->frameShown, x->ngFrames[e][0], size_t(gColorLen));
            x->update();
        }
        break;
    case 0:
        viewHost()->setDrawMode(0);
        if (w->drawROIWidget && w->drawROIWidget->pageEntered) {
            // The first template view after entering starts from the models in force.
            w->drawROIWidget->pageEntered = false;
            for (int v = 0; v < numCamera; ++v) {
                CammerWidget* y = view(v);
                if (y && y->modelEdit && y->modelInForce) {
                    *y->modelEdit = *y->modelInForce;
                    y->BackMask();
                    y->BackIgnorePoint();
                }
            }
        }
        if (x && stageOk) {
            ShowTemplate(x, e);
            x->update();
        }
        break;
    case 1:
        if (a == 2)
            for (int v = 0; v < MAX_CAMERA; ++v)
                if (CammerWidget* y = view(v))
                    y->blinkPhase = 0;
        break;
    case 3:
    case 4:
        browser.Restart(source);
        LoadPic();
        if (x)
            x->update();
        break;
    default: break;
    }
    ChangePage();
}

void RegiOption::ChangePage()
{
    MainWindow* w = win();
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (CammerWidget* x = view(v))
            x->ShowHideTool(0);
    btnAddTemp->hide();
    btnDeleteTemp->hide();
    btnLiveTemp->hide();
    CammerWidget* x = shownView();
    const int a = w ? w->alarmState : 0;
    switch (gSource) {
    case 2:
        btnAddTemp->show();
        if (x)
            x->ShowHideTool(1);
        break;
    case 0:
        if (a == 2)
            btnLiveTemp->show();
        btnDeleteTemp->show();
        if (x)
            x->ShowHideTool(3);
        break;
    case 1:
        if (a == 2) {
            if (w && w->optionStack)
                w->optionStack->setCurrentIndex(2);
        } else if (numCamera > 1) {
            comboCamera->show();
        }
        break;
    case 3:
    case 4:
        if (x)
            x->ShowHideTool(1);
        break;
    default: break;
    }
}

void RegiOption::ChangeCameraSlot(int camera)
{
    MainWindow* w = win();
    if (!w || camera < 0)
        return;
    if (camera < numCamera)
        w->selectedView = camera;
    else
        w->selectedView = gSource == 1 ? numCamera : numCamera - 1;
    if (w->alarmState == 3 && gpWPara->cavity_check_on)
        if (CammerWidget* x = shownView())
            x->ShowHideCheckBox(true);
    w->ChangeCammer();
    ChangeSourceSlot(gSource);
}

void RegiOption::ChangeDetectSlot(int d)
{
    MainWindow* w = win();
    if (!w || d < 0 || !shownView() || (gSource != 0 && gSource != 2 && gSource != 3 && gSource != 4))
        return;
    const WizardPara& p = *gpWPara;
    viewHost()->setCopyArmed(false);
    const int k = (p.io_mode == 1 || p.io_mode == 2) ? (d & 1) : d;
    const bool same = p.enabe_two_test != 0;
    if (k == 0 && !p.first_stage_on) {
        comboDetect->setCurrentIndex(1);
        showWarnBox(textRow(118));
        return;
    }
    if (k != 0 && same && p.stage_enabled[0] && gSource == 0 && !detectNoteShown_
        && (p.io_mode == 0 || p.io_mode == 3 || p.io_mode == 5)) {
        detectNoteShown_ = true;
        showWarnBox(textRow(119));
    } else if (same && gSource == 0 && !detectNoteShown_ && (p.io_mode == 1 || p.io_mode == 2) && d > 1) {
        detectNoteShown_ = true;
        showWarnBox(textRow(371));
    }
    if (CammerWidget* x = shownView())
        x->DeselectROI();
    viewHost()->edit = d;
    ChangeSourceSlot(gSource);
    CammerWidget* x = shownView();
    if (x && x->modelEdit && d < MAX_DETECT && x->modelEdit->roiNum[d] == 0 && p.auto_region_prompt
        && showChooseBox(textRow(354)) && shownView()
        && (gSource == 0 || gSource == 2 || gSource == 3 || gSource == 4))
        w->AutogenerationRegion(d);
    if (w->alarmState == 3)
        if (CammerWidget* y = shownView())
            y->SetCheckBoxState(1);
}

void RegiOption::LoadPic()
{
    MainWindow* w = win();
    recordCamera = comboCamera->currentIndex();
    recordStage = comboDetect->currentIndex();
    if (recordCamera < 0 || recordCamera >= numCamera)
        recordCamera = 0;
    if (recordStage < 0 || recordStage >= gDNum || recordStage >= MAX_DETECT)
        recordStage = 0;
    const QString dir = w ? w->alarmDir[recordCamera][recordStage][browser.recordsOK() ? 1 : 0].absolutePath() : QString();
    browser.Open(dir);
    ViewHost* host = viewHost();
    host->recordCam = recordCamera;
    host->recordN = browser.count();
    host->recordI = browser.index();
    host->recordText = browser.label();
    if (browser.count() > 0)
        host->recordImage = browser.picture();
}

void RegiOption::ShowTemplate(CammerWidget* x, int stage)
{
    if (!x || stage < 0 || stage >= MAX_DETECT || x->templates[stage].empty() || !x->frameShown)
        return;
    if (x->tempIndex < 0 || x->tempIndex >= int(x->templates[stage].size()))
        x->tempIndex = 0;
    const unsigned char* t = x->templates[stage][size_t(x->tempIndex)];
    if (t) {
        std::memcpy(x->frameShown, t, size_t(gColorLen));
        if (gisColor && x->planeJudged) {
            if (gisGrayHue)
                RGBA2Gray(x->planeJudged, t, gImageW, gImageH);
            else
                RGBA2Hue(x->planeJudged, t, gImageW, gImageH);
        }
    }
    GetTempTIme(x->cameraIndex, stage, x->tempIndex);
}

void RegiOption::SlotTempLast()
{
    Browse(-1);
}

void RegiOption::SlotTempNext()
{
    Browse(1);
}

void RegiOption::Browse(int dir)
{
    CammerWidget* x = shownView();
    const int e = viewHost()->editStage();
    if (!x || x->tempIndex < 0 || x->tempIndex >= gTempNum || e < 0 || e >= gDNum || e >= MAX_DETECT)
        return;
    switch (browser.Step(gSource, dir, x->tempValid[e], x->tempIndex, x->ngCount[e], x->ngIndex)) {
    case PictureBrowser::Template: ShowTemplate(x, e); break;
    case PictureBrowser::NgPicture:
        if (x->ngFrames[e][x->ngIndex] && x->frameShown)
            std::memcpy(x->frameShown, x->ngFrames[e][x->ngIndex], size_t(gColorLen));
        break;
    case PictureBrowser::Record: LoadPic(); break;
    case PictureBrowser::None: return;
    }
    x->update();
}
