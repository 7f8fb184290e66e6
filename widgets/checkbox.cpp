#include "widgets/checkbox.h"

CheckBox::CheckBox(QWidget* parent, const QString& text) : QCheckBox(text, parent)
{
    installEventFilter(this);
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::WindowText, Qt::yellow);
    setPalette(pal);
    QFont f("wqy-microhei");
    f.setPixelSize(16);
    setFont(f);
}

bool CheckBox::eventFilter(QObject* watched, QEvent* event)
{
    return QCheckBox::eventFilter(watched, event);
}
