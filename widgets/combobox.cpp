#include "widgets/combobox.h"

#include <QEvent>
#include <QListView>

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    installEventFilter(this);
    setFocusPolicy(Qt::NoFocus);
    list_ = new QListView(this);
    setView(list_);
}

void ComboBox::setItemHeight(int h)
{
    setStyleSheet(QString("QComboBox QAbstractItemView::item{height:%1px;}").arg(h) +
                  "QComboBox::tab-bar{border-width:0px;}");
}

void ComboBox::setItemWidth(int w)
{
    list_->setFixedWidth(w);
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress)
        emit clicked();
    return QComboBox::eventFilter(watched, event);
}
