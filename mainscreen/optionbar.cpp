#include "mainscreen/optionbar.h"

#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/globals.h"
#include "mainscreen/chromerules.h"
#include "vision/controller/mainwindow.h"
#include "widgets/boptionbutton.h"
#include "widgets/finetuningdialog.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

namespace {
std::function<bool()>& probeRef()
{
    static std::function<bool()> probe;
    return probe;
}

QString StartStopStyle(const char* colour)
{
    return QString("BOptionButton{background-color:%1;icon-size:68px 68px;border-style:none;color:#ffffff;"
                   "font-size:18px;padding:10px 0px 0px 0px;}")
        .arg(colour);
}
}  // namespace

OptionBar::OptionBar(QWidget* parent) : BWidget(parent), finetuning_(new FinetuningDialog)
{
    InitChromeResources();
    finetuning_->hide();
    struct Spec {
        int row;
        const char* icon;
    };
    const Spec specs[8] = {{0, nullptr},
                           {126, ":/img/icons/split.png"},
                           {127, ":/img/icons/stop.png"},
                           {582, ":/img/icons/setting.png"},
                           {129, ":/img/icons/sampling.png"},
                           {130, ":/img/icons/38.png"},
                           {541, ":/img/icons/39.png"},
                           {132, ":/img/icons/39a.png"}};
    auto make = [this](int row, const char* icon) {
        auto* b = new BOptionButton(this);
        b->setText(textRow(row));
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setCheckable(true);
        return b;
    };
    for (int t = 1; t <= 7; ++t)
        btn_[t] = make(specs[t].row, specs[t].icon);
    btnPro_ = make(131, ":/img/icons/40.png");
    btn_[BTN_START_STOP]->setStyleSheet(StartStopStyle("#4ab74c"));
    btn_[BTN_STATISTICS]->hide();

    auto* col = new QVBoxLayout(this);
    col->setSpacing(10);
    col->setContentsMargins(0, 0, 0, 0);
    for (int t = 1; t <= 6; ++t)
        col->addWidget(btn_[t]);
    col->addWidget(btnPro_);
    col->addWidget(btn_[BTN_MOLD_SNAPSHOT]);
    col->addStretch();

    for (int t = 1; t <= 7; ++t)
        connect(btn_[t], &BOptionButton::toggled, this, &OptionBar::btnsToggledSlot);
    connect(btnPro_, &BOptionButton::clicked, this, [] {
        if (gpWin)
            gpWin->SlotManualTrig0();
    });
    // The pad calls the pan and zoom slots itself on press; connecting its clicks as well would
    // run every tap twice.
}

BOptionButton* OptionBar::button(BTN_TYPE type) const
{
    return type >= BTN_MULTI_SCREEN && type <= BTN_MOLD_SNAPSHOT ? btn_[type] : nullptr;
}

void OptionBar::setSettingsShownProbe(std::function<bool()> probe)
{
    probeRef() = std::move(probe);
}

bool OptionBar::SettingsShown()
{
    if (probeRef())
        return probeRef()();
    return gpWin && gpWin->mainStack && gpWin->mainStack->currentIndex() == 1;
}

void OptionBar::btnsToggledSlot(bool checked)
{
    if (SettingsShown()) {
        showWarnBox(textRow(591));
        return;
    }
    last_ = BTN_NONE;
    QObject* from = sender();
    for (int t = 1; t <= 7; ++t) {
        if (from == btn_[t])
            last_ = BTN_TYPE(t);
    }
    if (last_ == BTN_NONE)
        return;
    emit btnsToggled(last_, checked);
}

void OptionBar::SetTLast()
{
    BOptionButton* b = btn_[BTN_SETTINGS];
    b->setCheckable(false);
    b->setChecked(false);
    b->setCheckable(true);
    last_ = BTN_NONE;
}

void OptionBar::SetDetecting(bool detecting)
{
    BOptionButton* b = btn_[BTN_START_STOP];
    b->setText(textRow(detecting ? 127 : 136));
    b->setIcon(QIcon(detecting ? ":/img/icons/stop.png" : ":/img/icons/5.png"));
    b->setStyleSheet(StartStopStyle(detecting ? "#4ab74c" : "#ee2329"));
}

void OptionBar::CalibrationPos()
{
    auto* from = qobject_cast<QWidget*>(sender());
    if (!from)
        return;
    finetuning_->move(from->mapToGlobal(QPoint(from->width() - 240, -180)));
    finetuning_->show();
}
