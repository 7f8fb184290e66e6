#include "widgets/slicedstylesheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QStyle>
#include <QVector>
#include <QWidget>

namespace {

// Runs `step` on each widget still alive, `between` after each slice of `sliceMs`.
void InSlices(const QVector<QPointer<QWidget>>& widgets, int sliceMs, const std::function<void()>& between,
              const std::function<void(QWidget*)>& step)
{
    QElapsedTimer slice;
    slice.start();
    for (const QPointer<QWidget>& w : widgets) {
        if (!w)
            continue;
        step(w);
        if (slice.elapsed() >= sliceMs) {
            if (between)
                between();
            slice.restart();
        }
    }
}

}  // namespace

void ApplyStyleSheetInSlices(const QString& sheet, int sliceMs, const std::function<void()>& between)
{
    QVector<QPointer<QWidget>> polished;
    for (QWidget* w : QApplication::allWidgets())
        if (w->windowType() != Qt::Desktop && w->testAttribute(Qt::WA_WState_Polished))
            polished << w;
    // What the style change would do first: the old style lets go of each widget.
    InSlices(polished, sliceMs, between, [](QWidget* w) {
        if (w->testAttribute(Qt::WA_WState_Polished)) {
            QApplication::style()->unpolish(w);
            w->setAttribute(Qt::WA_WState_Polished, false);
        }
    });
    qApp->setStyleSheet(sheet);
    // The polish the style change would have done in one go: the widget's style (the application
    // sheet, or its own sheet on top of it) takes it again; fonts and palettes follow as they do
    // after a show.
    InSlices(polished, sliceMs, between, [](QWidget* w) {
        if (!w->testAttribute(Qt::WA_WState_Polished)) {
            QEvent polish(QEvent::Polish);
            QCoreApplication::sendEvent(w, &polish);
        }
    });
}
