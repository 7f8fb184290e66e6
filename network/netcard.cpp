#include "network/netcard.h"

#include <ifaddrs.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <sys/socket.h>

#include <QFile>
#include <QHostInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/syspath.h"
#include "network/cnt_net.h"

namespace {

// The file's bytes up to the first zero byte, as UTF-8; null when it cannot be read.
QString ReadMachineText(const QString& path, bool* ok = nullptr)
{
    QFile f(sysPath(path));
    if (!f.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    if (ok)
        *ok = true;
    QByteArray data = f.readAll();
    const int zero = data.indexOf('\0');
    if (zero >= 0)
        data.truncate(zero);
    return QString::fromUtf8(data);
}

// The rest of a trimmed line after its leading key word, or null when the line does not begin
// with that word (so an indented "address" counts and "hwaddress" does not).
QString AfterKeyWord(const QString& trimmedLine, const QString& word)
{
    if (!trimmedLine.startsWith(word))
        return {};
    const QString rest = trimmedLine.mid(word.size());
    if (!rest.isEmpty() && !rest.at(0).isSpace())
        return {};
    return rest.trimmed();
}

// Blank-line separated blocks; a line of only blanks separates too (indented files carry them).
QList<QStringList> SplitBlocks(const QString& text)
{
    QList<QStringList> blocks;
    QStringList current;
    for (const QString& raw : text.split('\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            if (!current.isEmpty())
                blocks << current;
            current.clear();
            continue;
        }
        current << line;
    }
    if (!current.isEmpty())
        blocks << current;
    return blocks;
}

QStringList PresentCards(const QString& procNetDev)
{
    QStringList names;
    for (const QString& piece : procNetDev.split(QRegularExpression("\\s"))) {
        const int colon = piece.indexOf(':');
        if (colon > 0)
            names << piece.left(colon);
    }
    return names;
}

}  // namespace

QStringList NetCardDefaults()
{
    return {"192.168.0.5", "255.255.255.0", "192.168.0.1"};
}

QMap<QString, QStringList> ParseNetCardAddresses(const QString& interfaces, const QString& procNetDev)
{
    QMap<QString, QStringList> map;
    for (const QStringList& block : SplitBlocks(interfaces)) {
        bool counts = false;
        for (const QString& line : block) {
            if (!AfterKeyWord(line, "auto").isNull() && !line.contains("lo") && !line.contains('#'))
                counts = true;
        }
        if (!counts)
            continue;
        QString name;
        QStringList values = NetCardDefaults();
        bool address = false, gateway = false;
        for (const QString& line : block) {
            QString v;
            if (!(v = AfterKeyWord(line, "auto")).isNull()) {
                name = v;
            } else if (!(v = AfterKeyWord(line, "address")).isNull()) {
                values[0] = v;
                address = true;
            } else if (!(v = AfterKeyWord(line, "netmask")).isNull()) {
                values[1] = v;
            } else if (!(v = AfterKeyWord(line, "gateway")).isNull()) {
                values[2] = v;
                gateway = true;
            }
        }
        // A card set without a gateway has none; the default one would be judged and written
        // back as if typed.
        if (address && !gateway)
            values[2] = kNoGateway;
        map.insert(name, values);
    }

    QStringList present = PresentCards(procNetDev);
    for (const QString& card : present) {
        if (card.contains("wlan"))
            map.insert(card, NetCardDefaults());
    }
    for (auto it = map.begin(); it != map.end();) {
        if (present.removeAll(it.key()) > 0)
            ++it;
        else
            it = map.erase(it);  // a block for a card that is not there
    }
    for (const QString& card : present) {
        if (!card.contains("lo") && !card.contains("wlan"))
            map.insert(card, NetCardDefaults());
    }
    return map;
}

QMap<QString, QStringList> CNT_Net::getNewNetCardInfo()
{
    bool ok = false;
    const QString interfaces = ReadMachineText("/etc/network/interfaces", &ok);
    if (!ok)
        return {};
    return ParseNetCardAddresses(interfaces, ReadMachineText("/proc/net/dev"));
}

QMap<QString, QString> CNT_Net::getNetMac()
{
    QMap<QString, QString> macs;
    for (QString line : ReadMachineText("/proc/net/dev").split('\n')) {
        line.remove(' ');
        line.remove('\t');
        if (line.contains("lo") || !line.contains(':'))
            continue;
        const QString card = line.left(line.indexOf(':'));
        bool ok = false;
        QString mac = ReadMachineText(QString("/sys/class/net/%1/address").arg(card), &ok);
        if (ok)
            macs.insert(card, mac.remove('\n'));
    }
    return macs;
}

QString CNT_Net::getNetHostName()
{
    return QHostInfo::localHostName();
}

QMap<QString, QString> CNT_Net::getNetCardInfo()
{
    QMap<QString, QString> map;
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return map;
    for (struct ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || QString(a->ifa_name) == "lo")
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const struct sockaddr_in*>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            map.insert(QString::fromLocal8Bit(a->ifa_name), QString::fromLatin1(text));
    }
    freeifaddrs(list);
    return map;
}

QString cls_cmd(const QString& command)
{
    const QStringList parts = QProcess::splitCommand(command);
    if (parts.isEmpty()) {
        qDebug() << "execute command failed:" << command;
        return {};
    }
    const CommandResult r = runCommand(parts.first(), parts.mid(1), 20000);
    if (!r.started) {
        qDebug() << "execute command failed:" << command;
        return {};
    }
    return QString::fromLocal8Bit(r.out);
}
