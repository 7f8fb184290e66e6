#include "vision/controller/outputplan.h"

#include <QStringList>

#include "vision/board/controlport.h"

void OutputPlan::ApplyTo(ControlPort* port) const
{
    if (!port)
        return;
    for (const Step& s : steps) {
        if (s.kind == Flash)
            port->IOFlashOut();
        else
            port->IOSetOut(s.n, s.kind == Set ? 1 : 0);
    }
}

QString OutputPlan::text() const
{
    QStringList parts;
    for (const Step& s : steps) {
        if (s.kind == Flash)
            parts << QStringLiteral("F");
        else
            parts << QString("%1%2").arg(s.kind == Set ? '+' : '-').arg(s.n);
    }
    return parts.join(' ');
}
