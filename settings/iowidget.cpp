#include "settings/iowidget.h"

#include <QPainter>
#include <QSignalBlocker>

#include "core/globals.h"
#include "core/sharedpictures.h"
#include "core/wizardpara.h"
#include "settings/iocheckcombo.h"
#include "settings/systemsettingwidget.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/showbox.h"
#include "widgets/textrow.h"

IOWidget::IOWidget(SystemSettingWidget* screen)
    : QWidget(screen, Qt::Popup | Qt::WindowStaysOnTopHint), screen_(screen)
{
    setGeometry(0, 98, 1725, 982);
    count_ = new ComboBox(this);
    count_->setGeometry(40, 30, 150, 40);
    QFont f("wqy-microhei");
    f.setPixelSize(32);
    count_->setFont(f);
    count_->setItemHeight(40);
    for (int r = 501; r <= 507; ++r)
        count_->addItem(textRow(r));
    reset_ = new ColorButton(textRow(497), this, 3);
    confirm_ = new ColorButton(textRow(121), this, 3);
    for (int i = 0; i < 8; ++i) {
        rows_[i] = new IOCheckComBO(this, QString(), 8);
        rows_[i]->setRow(i);
        rows_[i]->move(30, 100 + 70 * i);
        connect(rows_[i], &IOCheckComBO::clickeCheckBox, this, &IOWidget::SlotClickCheckBox);
        connect(rows_[i], &IOCheckComBO::changeTrigin, this, &IOWidget::SlotChangeTrigin);
        connect(rows_[i], &IOCheckComBO::changeCutMode, this, &IOWidget::SlotChangeCutMode);
    }
    {
        const QSignalBlocker block(count_);
        count_->setCurrentIndex(6);
    }
    count_->fitTexts(32);
    // Inside the 1725 px pop-up (at 1550 the last 25 px of Confirm lay outside it).
    confirm_->setGeometry(1500, 855, 200, 75);
    reset_->setGeometry(1270, 855, 200, 75);
    connect(count_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOWidget::SlotChangeDetectNum);
    connect(reset_, &QPushButton::clicked, this, &IOWidget::reset);
    connect(confirm_, &QPushButton::clicked, this, &IOWidget::accept);
    initIOWidget();
    hide();
}

void IOWidget::initIOWidget()
{
    if (gpWPara)
        model_.load(*gpWPara);
    refresh();
}

void IOWidget::SlotChangeDetectNum(int index)
{
    model_.setCount(index + 2);
    refresh();
}

void IOWidget::SlotClickCheckBox(int row, int column, int state)
{
    model_.setBox(row, column, state != Qt::Unchecked);
    refresh();
}

void IOWidget::SlotChangeTrigin(int row, int item)
{
    model_.chooseTriggerItem(row, item);
    refresh();
}

void IOWidget::SlotChangeCutMode(int row, int mode)
{
    model_.setCutMode(row, mode);
    refresh();
}

void IOWidget::reset()
{
    model_.reset();
    refresh();
}

void IOWidget::ResetOutput()
{
    refresh();
}

void IOWidget::ResetIOName()
{
    refresh();
}

void IOWidget::setNameChoices(const int (&inChoice)[8], const int (&outChoice)[8])
{
    model_.setNameChoices(inChoice, outChoice);
}

void IOWidget::accept()
{
    if (!model_.lastStageClaimed()) {
        showWarnBox(textRow(512));
        return;
    }
    if (gpWParaBak)
        model_.store(*gpWParaBak);
    hide();
    if (gpWPara && gpWParaBak && gpWPara->io_mode == 4 && gpWParaBak->io_mode_chosen == 4)
        emit reCheckTextChanged(IOGridModel::reDetectLabel(model_.count()));
    emit pageRequested(9);
}

void IOWidget::refresh()
{
    const int n = model_.count();
    {
        const QSignalBlocker block(count_);
        count_->setCurrentIndex(n - 2);
    }
    for (int r = 0; r < 8; ++r) {
        IOCheckComBO* row = rows_[r];
        row->setVisible(model_.rowShown(r));
        row->setTriggerItems(model_.triggerItems(r), model_.triggerItem(r));
        row->setCutMode(model_.cutMode(r));
        row->setBoxWidth(n <= 6 ? 200 : 150);
        for (int c = 0; c < 8; ++c) {
            row->setColumnShown(c, model_.columnShown(c));
            row->setColumnCaption(c, model_.columnCaption(c));
            row->setCheckdisable(c, model_.boxEnabled(r, c));
            row->setCheckComboStatus(c, model_.boxChecked(r, c));
        }
    }
}

void IOWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapLogo)
        p.drawPixmap(rect(), *gpPixmapLogo);
    p.setPen(Qt::cyan);
    for (const PaintedText& t : paintedTexts()) {
        p.setFont(t.font);
        p.drawText(t.room, Qt::AlignCenter, t.text);
    }
}

QList<PaintedText> IOWidget::paintedTexts() const
{
    QFont f("wqy-microhei");
    f.setPixelSize(35);
    return {{textRow(499), f, QRect(0, 20, width(), 50)}};
}
