#include "mainscreen/overlaypress.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QVariant>

QWidget* OverlayPress::controlUnder(QWidget* overlay, QPoint global)
{
    QWidget* parent = overlay ? overlay->parentWidget() : nullptr;
    if (!parent)
        return nullptr;
    const QObjectList& kids = parent->children();  // stacking order, bottom first
    const int self = kids.indexOf(overlay);
    for (int i = self - 1; i >= 0; --i) {
        auto* w = qobject_cast<QWidget*>(kids.at(i));
        if (!w || w->isWindow() || !w->isVisible() || w->testAttribute(Qt::WA_TransparentForMouseEvents))
            continue;
        const QPoint local = w->mapFromGlobal(global);
        if (!w->rect().contains(local))
            continue;
        if (QWidget* c = w->childAt(local))
            return c;
        // Another overlay with nothing of its own there: look further down.
        if (w->property(kOverlayProperty).toBool())
            continue;
        return nullptr;
    }
    return nullptr;
}

void OverlayPress::forward(QWidget* target, QMouseEvent* e)
{
    QMouseEvent copy(e->type(), QPointF(target->mapFromGlobal(e->globalPos())), e->windowPos(), e->screenPos(),
                     e->button(), e->buttons(), e->modifiers(), e->source());
    QCoreApplication::sendEvent(target, &copy);
}

bool OverlayPress::press(QWidget* overlay, QMouseEvent* e)
{
    target_ = controlUnder(overlay, e->globalPos());
    if (!target_)
        return false;
    forward(target_, e);
    return true;
}

bool OverlayPress::move(QMouseEvent* e)
{
    if (!target_)
        return false;
    forward(target_, e);
    return true;
}

bool OverlayPress::release(QMouseEvent* e)
{
    if (!target_)
        return false;
    QPointer<QWidget> t = target_;
    target_ = nullptr;
    forward(t, e);
    return true;
}
