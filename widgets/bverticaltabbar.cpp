#include "widgets/bverticaltabbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "widgets/fittext.h"
#include "widgets/textrow.h"

namespace {
// Beside the 130 px left padding, in the column less the scroll bar and the frame.
constexpr int kCaptionRoom = 355 - 2 - 40 - 130 - 2;
}  // namespace

BVerticalTabBar::BVerticalTabBar(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("BVerticalTabBar{background-color:#ffffff;border-width:0px 1px 0px 0px;border-style:solid;"
                  "border-color:#d3d3d3;}");
    scroll_ = new QScrollArea(this);
    scroll_->setFixedWidth(355);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setStyleSheet("QScrollBar:vertical {width:40px;}");
    tabColumn_ = new QWidget;
    // The column takes the viewport's width: a fixed 353 px column lost its right 40 px under the
    // scroll bar that fifteen tabs bring.
    scroll_->setWidgetResizable(true);
    tabColumn_->setStyleSheet(
        "QPushButton{background-color:#ffffff;border-width:1px 0px 1px 0px;border-style:solid;border-color:#d3d3d3;"
        "color:#656263;font-size:22px;text-align:left;padding:0px 0px 0px 130px;}"
        "QPushButton:checked{background-color:#656263;color:#ffffff;}");
    columnLayout_ = new QVBoxLayout(tabColumn_);
    columnLayout_->setSpacing(0);
    columnLayout_->setContentsMargins(0, 0, 0, 0);
    columnLayout_->addStretch();
    scroll_->setWidget(tabColumn_);

    title_ = new QLabel(this);
    title_->setAlignment(Qt::AlignCenter);
    title_->setFixedHeight(80);
    title_->setStyleSheet("font-size:22px;color:#656263;background-color:#f4f4f4;border-width:0px 1px 1px 0px;"
                          "border-style:solid;border-color:#d3d3d3;");
    exitBtn_ = new QPushButton(textRow(590), this);
    exitBtn_->setFixedSize(200, 80);
    exitBtn_->setStyleSheet("background-color:#f4f4f4;border-color:#d3d3d3;color:#656263;font-size:22px;");
    connect(exitBtn_, &QPushButton::pressed, this, &BVerticalTabBar::systemExit);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(title_, 1);
    top->addWidget(exitBtn_);
    stack_ = new QStackedLayout;
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addLayout(top);
    right->addLayout(stack_, 1);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(scroll_);
    outer->addLayout(right, 1);
}

void BVerticalTabBar::showEvent(QShowEvent* event)
{
    exitBtn_->setText(textRow(590));
    BWidget::showEvent(event);
}

void BVerticalTabBar::addWidgetGroup(QPixmap& icon, QVector<QString> names, QVector<QWidget*> pages)
{
    if (names.size() != pages.size() || names.isEmpty())
        return;
    const bool firstGroup = tabNames_.isEmpty();
    for (int i = 0; i < names.size(); ++i) {
        auto* btn = new QPushButton(names[i], tabColumn_);
        columnLayout_->insertWidget(groupCount_ + tabBtns_.size(), btn);
        btn->setCheckable(true);
        btn->setAutoExclusive(true);
        btn->setFixedHeight(80);
        connect(btn, &QPushButton::pressed, this, &BVerticalTabBar::tabBtnPressed);
        if (i == 0) {
            auto* iconLabel = new QLabel(btn);
            iconLabel->setStyleSheet("background:transparent;border:none;");
            if (!icon.isNull())
                iconLabel->setPixmap(icon.scaledToWidth(46, Qt::SmoothTransformation));
            auto* row = new QHBoxLayout(btn);
            row->addSpacing(45);
            row->addWidget(iconLabel);
            row->addStretch();
        } else {
            btn->setStyleSheet("border-width:0px 0px 1px 0px;");
        }
        FitCaption(btn, {names[i]}, kCaptionRoom, 22);
        tabBtns_.append(btn);
        pages[i]->setParent(this);
        stack_->addWidget(pages[i]);
    }
    tabNames_ += names;
    pages_ += pages;
    columnLayout_->insertSpacing(groupCount_ + tabBtns_.size(), 30);
    ++groupCount_;
    tabColumn_->adjustSize();
    if (firstGroup) {
        tabBtns_.first()->setChecked(true);
        title_->setText(tabNames_.first());
        stack_->setCurrentIndex(0);
    }
}

void BVerticalTabBar::tabBtnPressed()
{
    const int i = tabBtns_.indexOf(qobject_cast<QPushButton*>(sender()));
    if (i < 0)
        return;
    const QString& name = tabNames_[i];
    title_->setText(name);
    if (name == textRow(575))
        emit recordshow();
    else if (name == textRow(576))
        emit Memorandum();
    else if (name == textRow(431))
        emit DeviPara();
    stack_->setCurrentIndex(i);
}

void BVerticalTabBar::systemExit()
{
    emit Exitsetup();
}
