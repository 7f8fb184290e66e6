#include "widgets/choosecalinumwidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "core/sharedpictures.h"
#include "widgets/combobox.h"

ChooseCaliNumWidget::ChooseCaliNumWidget(QWidget* parent) : ChooseBox(QString(), parent)
{
    choice_ = new ComboBox(this);
    choice_->addItems({" 4 ", " 9 ", " 25 "});
    choice_->setFixedSize(200, 80);
    QFont f("wqy-microhei");
    f.setPixelSize(33);
    choice_->setFont(f);
    choice_->setItemHeight(80);
    choice_->move(width() / 2 + 100, height() / 4 - 30);
    // The caption is painted over the picture: the question icon would cover it.
    icon_->hide();
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->maximumWidth() == 1)  // the split line
            w->hide();
    }
    // The buttons are placed by paintEvent, not by the box's button row.
    for (QPushButton* b : {yes_, no_}) {
        buttonRow_->removeWidget(b);
        b->setFixedSize(220, 100);
    }
}

void ChooseCaliNumWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    QFont f("wqy-microhei");
    f.setPixelSize(40);
    p.setFont(f);
    p.setPen(Qt::red);
    p.drawText(QRect(50, 0, width(), height() / 2), Qt::AlignVCenter, caption_);
    p.setPen(QPen(Qt::white, 5));
    p.drawRect(0, 0, width() - 1, height() - 1);
    const QRect yes(width() / 3 - 160, 2 * (height() / 3) - 50, 220, 100);
    const QRect no(2 * (width() / 3) - 60, 2 * (height() / 3) - 50, 220, 100);
    if (yes_->geometry() != yes)
        yes_->setGeometry(yes);
    if (no_->geometry() != no)
        no_->setGeometry(no);
}
