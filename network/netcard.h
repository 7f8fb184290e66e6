#pragma once
// The computer's wired network cards as the settings show and edit them, and its host name, which
// is the device id of every report. The report server keeps one record in force and one edit copy.
#include <QMap>
#include <QString>
#include <QStringList>

struct NetCard {
    // Card name to [address, netmask, gateway].
    QMap<QString, QStringList> addresses;
    // Card name to its MAC address text.
    QMap<QString, QString> macs;
    QString hostName;
};

// The gateway of a card that has none: no gateway line in the interfaces file.
constexpr const char* kNoGateway = "0.0.0.0";

// Address, netmask and gateway of a card without settings.
QStringList NetCardDefaults();

// Card name to [address, netmask, gateway] from the interfaces text and the /proc/net/dev text:
// cards the kernel lists keep their block's values or get the defaults (wireless cards always),
// blocks of cards that are not there are dropped. A block with an address and no gateway line
// has no gateway (kNoGateway), as ifupdown reads it. The parsing behind getNewNetCardInfo.
QMap<QString, QStringList> ParseNetCardAddresses(const QString& interfaces, const QString& procNetDev);

// Runs a command line (split into program and arguments, never through a shell) through the
// command runner for up to 20 s and returns what it printed.
QString cls_cmd(const QString& command);
