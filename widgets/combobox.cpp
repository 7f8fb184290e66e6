#include "widgets/combobox.h"

#include <QEvent>
#include <QListView>
#include <QRegularExpression>

#include "widgets/fittext.h"

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

void ComboBox::fitTexts(int px)
{
    static const QRegularExpression earlier("\\s*/\\*pad\\*/[^}]*\\}");
    setStyleSheet(styleSheet().remove(earlier) + " /*pad*/QComboBox{padding:1px 4px 1px 8px;}");
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << itemText(i);
    // The arrow's 50 px, the paddings, the frame and the pixel the label keeps on either side.
    FitCaption(this, texts, width() - 50 - 8 - 4 - 2 - 2, px);
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
