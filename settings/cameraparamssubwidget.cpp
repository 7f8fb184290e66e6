#include "settings/cameraparamssubwidget.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "settings/systemsettingwidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "widgets/splitline.h"
#include "widgets/textrow.h"

static void registerCameraPagePictures()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(camerapages);
        done = true;
    }
}

namespace {

QPushButton* IconButton(QWidget* parent, const QString& icon, QSize size, QSize iconSize)
{
    auto* b = new QPushButton(parent);
    b->setIcon(QIcon(icon));
    b->setFixedSize(size);
    b->setIconSize(iconSize);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

const int kDockMargin = 50;
const int kFloatMargin = 20;

}  // namespace

CameraParamsSubWidget::CameraParamsSubWidget(QWidget* parent) : BWidget(parent)
{
    registerCameraPagePictures();
    setStyleSheet("CameraParamsSubWidget{background-color:#ffffff;}QPushButton{border-style:none;}"
                  "QPushButton:unchecked{border-style:none;background-color:#F8F8FF; border-radius:5px;}"
                  "QPushButton:checked{color:#ffffff;background-color:#656263;border-radius:5px;border-style:"
                  "none;}QLabel{font-size:22px;color:#656263;}");

    auto* top = new QHBoxLayout;
    top->setSpacing(20);
    top->addWidget(new QLabel(textRow(128), this));
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap(":/img/icons/48.png").scaledToWidth(56, Qt::SmoothTransformation));
    top->addWidget(picture);
    top->addWidget(new QLabel("相机", this));
    cameraGroup = new QButtonGroup(this);
    cameraGroup->setExclusive(true);
    const char* icons[4] = {":/img/icons/60.png", ":/img/icons/62.png", ":/img/icons/64.png", ":/img/icons/66.png"};
    for (int i = 0; i < 4; ++i) {
        cameraButton[i] = IconButton(this, icons[i], QSize(58, 58), QSize(50, 50));
        cameraButton[i]->setCheckable(true);
        cameraButton[i]->setObjectName(QString("相机%1").arg(i + 1));
        cameraGroup->addButton(cameraButton[i], i);
        top->addWidget(cameraButton[i]);
    }
    cameraButton[0]->setChecked(true);
    cameraButton[2]->hide();
    cameraButton[3]->hide();
    top->addStretch();
    restoreButton = IconButton(this, ":/img/icons/57-1.png", QSize(128, 46), QSize(128, 46));
    assignButton = IconButton(this, ":/img/icons/57.png", QSize(128, 46), QSize(128, 46));
    viewButton = IconButton(this, ":/img/icons/58.png", QSize(60, 60), QSize(52, 52));
    viewButton->setCheckable(true);
    top->addWidget(restoreButton);
    top->addWidget(assignButton);
    top->addWidget(viewButton);

    divider_ = createHorizontalSplitLine(this, "#d3d3d3");

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(20);
    exposure = AddPageSlider(grid, 0, this, textRow(164), 1, 100);
    gain = AddPageSlider(grid, 1, this, textRow(165), 0, 64);
    grid->setColumnStretch(4, 1);
    previousButton = IconButton(this, ":/img/icons/68.png", QSize(60, 100), QSize(48, 80));
    nextButton = IconButton(this, ":/img/icons/69.png", QSize(60, 100), QSize(48, 80));
    auto* sliders = new QHBoxLayout;
    sliders->addWidget(previousButton);
    sliders->addLayout(grid);
    sliders->addWidget(nextButton);

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(kDockMargin, kDockMargin, kDockMargin, kDockMargin);
    layout_->setSpacing(20);
    layout_->addLayout(top);
    layout_->addWidget(divider_);
    layout_->addLayout(sliders);
    displayIndependent(false);

    connect(viewButton, &QPushButton::toggled, this, &CameraParamsSubWidget::viewBtnToggled);
    connect(previousButton, &QPushButton::clicked, this, &CameraParamsSubWidget::SlotPreviousCamera);
    connect(nextButton, &QPushButton::clicked, this, &CameraParamsSubWidget::SlotNextCamera);
}

void CameraParamsSubWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    const int c = qBound(0, SystemSettingWidget::outSet, 3);
    LoadSlider(exposure.slider, gpWParaBak->exposure[c]);
    LoadSlider(gain.slider, gpWParaBak->gain[c]);
}

void CameraParamsSubWidget::displayIndependent(bool on)
{
    divider_->setVisible(on);
    previousButton->setVisible(on);
    nextButton->setVisible(on);
}

bool CameraParamsSubWidget::isFloating() const
{
    return isWindow() && isVisible();
}

void CameraParamsSubWidget::showEvent(QShowEvent* event)
{
    cameraButton[2]->setVisible(numCamera > 2);
    cameraButton[3]->setVisible(numCamera > 3);
    BWidget::showEvent(event);
}

void CameraParamsSubWidget::StepCamera(int step)
{
    const int id = cameraGroup->checkedId() + step;
    if (id < 0 || id > 3 || id >= numCamera)
        return;
    cameraButton[id]->setChecked(true);
    cameraButton[id]->click();  // the camera selection runs as a touch would run it
}

void CameraParamsSubWidget::SlotPreviousCamera() { StepCamera(-1); }
void CameraParamsSubWidget::SlotNextCamera() { StepCamera(1); }

void CameraParamsSubWidget::viewBtnToggled(bool checked)
{
    if (checked) {
        if (isWindow())
            return;
        if (gpWin)
            gpWin->cameraPramsAdjust(true);
        dockParent_ = parentWidget();
        dockSize_ = size();
        dockMinimum_ = minimumSize();
        dockMaximum_ = maximumSize();
        setParent(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
        move(342, 653);
        setFixedSize(1105, 325);
        layout_->setContentsMargins(kFloatMargin, kFloatMargin, kFloatMargin, kFloatMargin);
        viewButton->setIcon(QIcon(":/img/icons/58-1.png"));
        setWindowModality(Qt::WindowModal);
        show();
        displayIndependent(true);
        return;
    }
    if (!isWindow())
        return;
    if (gpWin)
        gpWin->cameraPramsAdjust(false);
    hide();
    setWindowModality(Qt::NonModal);
    QWidget* home = dockParent_.data();
    setParent(home, Qt::Widget);
    if (home) {
        if (auto* column = qobject_cast<QVBoxLayout*>(home->layout()))
            column->insertWidget(0, this);
    }
    setMinimumSize(dockMinimum_);
    setMaximumSize(dockMaximum_);
    resize(dockSize_);
    layout_->setContentsMargins(kDockMargin, kDockMargin, kDockMargin, kDockMargin);
    viewButton->setIcon(QIcon(":/img/icons/58.png"));
    // Before showing, so the page lays the panel out once at its docked height.
    displayIndependent(false);
    show();
}
