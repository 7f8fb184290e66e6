#pragma once
// Text of a row of the UI text table in the language in force, read at the moment it is shown.
#include <QString>

#include "core/uitexttable.h"

inline QString textRow(int row)
{
    if (row < 0 || row >= LAN_ROWS)
        return QString();
    const int lan = (gLan >= 0 && gLan < LAN_COUNT) ? gLan : 0;
    return gaLanStr[row * LAN_COUNT + lan];
}
