#include "settings/connectivity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <QStringList>

#include "core/commandrunner.h"
#include "widgets/textrow.h"

QString GatewayFromRoute(const QByteArray& routeOutput, const QString& fallback)
{
    const int nul = routeOutput.indexOf('\0');
    const QString text = QString::fromLocal8Bit(nul < 0 ? routeOutput : routeOutput.left(nul));
    const QStringList words = text.split(' ');
    for (int i = 0; i < words.size(); ++i) {
        if (words.at(i).contains("via"))
            return i + 2 < words.size() ? words.at(i + 1) : fallback;
    }
    return fallback;
}

bool PingReached(const QByteArray& pingOutput)
{
    for (const QByteArray& line : pingOutput.split('\n')) {
        const int at = line.indexOf("time=");
        if (at < 0)
            continue;
        const QByteArray rest = line.mid(at + 5);
        bool ok = false;
        const double ms = rest.left(rest.size() - 3).toDouble(&ok);
        if (ok && ms != 0.0)
            return true;
    }
    return false;
}

QString ConnectivityText(bool lan, bool internet, bool server)
{
    return textRow(lan ? 420 : 421) + "," + textRow(internet ? 422 : 423) + "," + textRow(server ? 439 : 440);
}

QString CheckConnectivity(bool serverConnected)
{
    const QString gateway = GatewayFromRoute(runCommand("ip", {"route", "show"}).out, "null");
    if (gateway == "null")
        return textRow(419);
    const bool lan = PingReached(runCommand("ping", {gateway, "-w", "2"}).out);
    const bool internet = PingReached(runCommand("ping", {kInternetProbe, "-w", "3"}).out);
    return ConnectivityText(lan, internet, serverConnected);
}

QMap<QString, QString> Ipv4Interfaces()
{
    QMap<QString, QString> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || QString(a->ifa_name) == "lo")
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
        found.insert(QString::fromLocal8Bit(a->ifa_name), QString::fromLatin1(text));
    }
    freeifaddrs(list);
    return found;
}
