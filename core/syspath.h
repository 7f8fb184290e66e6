#pragma once
// Files of the machine (/etc, /proc, /sys, /mnt, /dev/led) are reached through sysPath(), which
// prefixes MOULDMON_SYSROOT when it is set, so tests never read or write the real ones.
#include <QString>

QString sysPath(const QString& absolutePath);
// The serial device for a port number: "/dev/ttyS%1", or MOULDMON_SERIAL when it is set.
QString serialDevicePath(int port);
