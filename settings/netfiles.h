#pragma once
// The texts of the network files the settings accept writes into ./cnt_net/ and then copies into
// /etc: the interfaces file from the edited card addresses, and the hosts file with the new host
// name in front of the machine's own entries.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

struct NetCard;

// "ls_interfaces": the loopback block, then a static block per card in key order (lo and wireless
// cards left out), without a gateway line for a card whose gateway is "none" (0.0.0.0); Latin-1.
QByteArray InterfacesFileText(const QMap<QString, QStringList>& addresses);

// "ls_hosts" from the machine's hosts file: the two address lines of `hostName` and a blank line
// replace what stands before the first comment line, except a localhost line, which is kept
// behind the blank line; Latin-1.
QByteArray HostsFileText(const QByteArray& hosts, const QString& hostName);

// Four decimal parts of 0..255 without leading zeros joined by dots.
bool IsDottedQuad(const QString& text);

// Why a card's [address, netmask, gateway] cannot work: the value (0 address, 1 netmask,
// 2 gateway) and the text row saying what is wrong with it; row 620 for a value that is no dotted
// quad, 0 for a card that works.
struct CardFault {
    int value = -1;
    int row = 0;
};

// A wired card can run with dotted quads, a netmask of leading ones (neither 0.0.0.0 nor
// 255.255.255.255), an address that is neither its network's nor its broadcast nor a loopback,
// multicast or reserved one, and a gateway 0.0.0.0 (none) or a host of the card's subnet other
// than the address that could be a machine's address as well.
CardFault CardAddressFault(const QStringList& card);
bool CardAddressesWork(const QStringList& card);

// A host name the hostname and hosts files can carry: 1-63 letters, digits and "-", not first or last.
bool IsHostName(const QString& text);

// Every address, netmask and gateway of a wired card that differs from the record in force is a
// dotted quad, and a card with such a change works as a whole (CardAddressesWork).
bool EditedAddressesValid(const NetCard& inForce, const NetCard& edited);
// The warning that refuses the edited card, in the language in force: row 620 for a value that is
// no dotted quad, else the value and what is wrong with it; empty when the edit can be stored.
QString EditedCardRefusal(const NetCard& inForce, const NetCard& edited);
