// The alarm option bar: the ways to clear an alarm, reported to the main window.
#include "mainscreen/alarmoption.h"

#include <algorithm>

#include <QComboBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "mainscreen/optionlists.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "widgets/boptionbutton.h"
#include "widgets/textrow.h"

namespace {

const char* const kStyle =
    "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;color:#656263;font-size:18px;"
    "padding:10px 0px 0px 0px;}BOptionButton:checked{color:#ffffff;background-color:#ee2329;}QComboBox { "
    "combobox-popup: 0;border: 1px solid gray;border-radius: 0px;font-size:18px;background-color:#d3d3d3;padding: "
    "1px 1px 1px 1px;min-width: 6em; }QComboBox::drop-down {subcontrol-origin: padding;subcontrol-position: "
    "right;width: 12px;height: 30px; border:none;}QComboBox QAbstractItemView::item{height:100px;}";
// "Re-detected" shows a press, not a checked state. Its caption is black: grey (and white) on this
// green read at about 2.5 : 1, black at about 8 : 1.
const char* const kReCheckStyle =
    "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;color:#000000;font-size:18px;"
    "padding:10px 0px 0px 0px;}BOptionButton:pressed{color:#ffffff;background-color:#656263;}";

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

AlarmOption::AlarmOption(QWidget* parent) : BWidget(parent)
{
    OptionLists::InitPictures();
    comboSource = new QComboBox;
    OptionLists::SizeList(comboSource);
    const QIcon icon(":/img/icons/104.png");
    comboSource->addItem(icon, textRow(223), 0);
    comboSource->addItem(icon, textRow(224), 1);
    comboSource->addItem(icon, textRow(60), 2);
    comboSource->addItem(icon, textRow(216), 3);
    comboSource->addItem(icon, textRow(217), 4);
    OptionLists::FitTexts(comboSource);
    comboCamera = new QComboBox;
    OptionLists::SizeList(comboCamera);
    OptionLists::FillCameras(comboCamera);
    auto* delegate = new QStyledItemDelegate(this);
    comboSource->setItemDelegate(delegate);
    comboCamera->setItemDelegate(delegate);

    btnLiveTemp = makeButton(this, ":/img/icons/110.png", 212);
    btnLiveTemp->setIconSize(QSize(125, 68));
    btnNoCheck = makeButton(this, ":/img/icons/43.png", 47);
    btnAddTemp = makeButton(this, ":/img/icons/44.png", 48);
    btnIgnorePoint = makeButton(this, ":/img/icons/45.png", 54);
    btnIgnorePoint->hide();
    btnDeletePoint = makeButton(this, ":/img/icons/46.png", 56);
    btnDeletePoint->hide();
    btnReCheck = makeButton(this, ":/img/icons/5.png", 61);
    for (BOptionButton* b : {btnLiveTemp, btnNoCheck, btnAddTemp, btnIgnorePoint, btnDeletePoint, btnReCheck})
        connect(b, &BOptionButton::toggled, this, &AlarmOption::btnsToggledSlot);
    connect(comboCamera, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &AlarmOption::ChangeCameraSlot);
    connect(comboSource, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &AlarmOption::ChangeSourceSlot);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(btnLiveTemp);
    layout->addWidget(comboSource);
    layout->addWidget(comboCamera);
    layout->addWidget(btnNoCheck);
    layout->addWidget(btnAddTemp);
    layout->addWidget(btnReCheck);
    layout->addStretch();
    btnReCheck->setStyleSheet(kReCheckStyle);
    setStyleSheet(kStyle);
}

void AlarmOption::addTempSlot() {}
void AlarmOption::showHideAlarmPointSlot() {}

void AlarmOption::btnsToggledSlot(bool checked)
{
    QObject* s = sender();
    BTN_TYPE type = BTN_NONE;
    if (s == btnLiveTemp)
        type = BTN_LIVE_TEMP;
    else if (s == btnNoCheck)
        type = BTN_DONT_DETECT;
    else if (s == btnReCheck)
        type = BTN_RECHECK;
    else if (s == btnAddTemp)
        type = BTN_ADD_TEMP;
    else if (s == btnIgnorePoint)
        type = BTN_IGNORE_POINT;
    else if (s == btnDeletePoint)
        type = BTN_DELETE_IGNORED;
    if (type != BTN_NONE)
        emit btnsToggled(type, checked);
}

void AlarmOption::ChangeDetectSlot(int detect)
{
    emit AlarmChangeDetect(detect);
}

void AlarmOption::ChangeCameraSlot(int camera)
{
    MainWindow* w = gpWin;
    if (!w || camera < 0)
        return;
    w->selectedView = std::min(camera, numCamera);
    w->ChangeCammer();
}

void AlarmOption::ChangeSourceSlot(int source)
{
    emit AlarmChangeSource(source);
}

void AlarmOption::CheckSource(int source)
{
    if (!OptionLists::Select(comboSource, source))
        ChangeSourceSlot(source);
}

void AlarmOption::SetCamera(int camera)
{
    comboCamera->setCurrentIndex(camera);
}

void AlarmOption::SetSource(int source)
{
    comboSource->setCurrentIndex(source);
}

void AlarmOption::showEvent(QShowEvent* event)
{
    comboSource->setCurrentIndex(1);
    const int v = gpWin ? gpWin->selectedView : 0;
    if (!OptionLists::Select(comboCamera, v))
        ChangeCameraSlot(v);
    BWidget::showEvent(event);
}
