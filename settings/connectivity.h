#pragma once
// The network page's connectivity check and the gateway that "ip route show" names.
#include <QByteArray>
#include <QMap>
#include <QString>

// The word after the first word containing "via" that has at least two more words behind it
// (words split at single blanks, the output taken up to its first NUL); `fallback` when none.
QString GatewayFromRoute(const QByteArray& routeOutput, const QString& fallback);

// A ping reached its host when some line holds "time=" followed by a non-zero number (the rest of
// the line after "time=", less its last 3 characters, as in "time=0.045 ms").
bool PingReached(const QByteArray& pingOutput);

// "LAN OK,Internet NG,Server NG" and its translations.
QString ConnectivityText(bool lan, bool internet, bool server);

// Runs "ip route show", then pings the gateway (2 s) and a public address (3 s); the status text
// the page shows: the gateway error (row 419) or ConnectivityText.
QString CheckConnectivity(bool serverConnected);

// The public address the check pings.
constexpr const char* kInternetProbe = "8.8.8.8";

// IPv4 address of every interface except "lo", by interface name.
QMap<QString, QString> Ipv4Interfaces();
