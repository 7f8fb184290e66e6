#pragma once
// The maintenance code of the password box. Without password protection it is the fixed code;
// with protection it is a ten-digit code derived from the fixed code and the hour of the clock,
// valid in that hour and the next one. The clock is read through toolkitNow(), so tests set it.
#include <QDateTime>
#include <QString>

class MaintenanceCode {
public:
    static QString fixedCode() { return QStringLiteral("9157"); }
    // The ten-digit code of the clock hour that `t` falls in (local time).
    static QString hourCode(const QDateTime& t);
    // True when `text` is the maintenance code at `now`: the fixed code when protection is off,
    // else the code of the current hour or of the previous one.
    static bool matches(const QString& text, bool protectionOn, const QDateTime& now);
    // The same at the toolkit clock's present time.
    static bool matches(const QString& text, bool protectionOn);
};
