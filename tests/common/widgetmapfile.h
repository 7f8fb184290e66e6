#pragma once
// The widget map a program started with MOULDMON_WIDGET_MAP writes on SIGUSR1: every visible
// widget with its class, object name, text and screen rectangle.
#include <functional>

#include <QList>
#include <QRect>
#include <QString>

struct Shown {
    QString cls;
    QString name;
    QString text;  // line breaks as spaces
    QRect rect;
};

// Asks the program `pid` for a map and reads it from `path` once its sequence number is above
// `*lastSeq` (then updated), for up to 5 s while `idle` runs between looks; empty when none came.
QList<Shown> ReadWidgetMap(qint64 pid, const QString& path, int* lastSeq, const std::function<void()>& idle = {});
