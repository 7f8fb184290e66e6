#include "settings/netfiles.h"

#include <QRegularExpression>

#include "network/netcard.h"
#include "widgets/textrow.h"

namespace {

bool written(const QString& card)
{
    return card != "lo" && !card.contains("wlan");
}

bool localhostLine(const QString& line)
{
    const QStringList words = line.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    return words.size() > 1 && !words[0].startsWith('#') && words.mid(1).contains("localhost");
}

}  // namespace

QByteArray InterfacesFileText(const QMap<QString, QStringList>& addresses)
{
    QString out = "auto lo\niface lo inet loopback\r\n\r\n";
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
        if (!written(it.key()))
            continue;
        const QStringList& l = it.value();
        out += QString("auto %1\n").arg(it.key());
        out += QString("iface %1 inet static\n").arg(it.key());
        out += QString("address %1\n").arg(l.value(0));
        out += QString("netmask %1\n").arg(l.value(1));
        // No line for "none": ifupdown would add a default route through the card itself.
        if (l.value(2) != kNoGateway)
            out += QString("gateway %1\n").arg(l.value(2));
        out += "\n";
    }
    return out.toLatin1();
}

QByteArray HostsFileText(const QByteArray& hosts, const QString& hostName)
{
    QStringList lines = QString::fromLatin1(hosts).split('\n');
    QStringList kept;
    int comment = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].isEmpty() && lines[i].startsWith('#')) {
            comment = i;
            break;
        }
    }
    if (comment >= 0) {
        // Before the comment stand the two lines written last time; the machine's localhost line
        // stays, or the computer would no longer resolve its own loopback name.
        for (int i = 0; i < comment; ++i)
            if (localhostLine(lines[i]))
                kept << lines[i];
        lines = lines.mid(comment);
    }
    QStringList out;
    out << QString("127.0.1.1\t%1").arg(hostName) << QString("127.0.0.1\t%1").arg(hostName) << "\n";
    out += kept;
    out += lines;
    QByteArray text;
    for (const QString& l : out)
        text += l.toLatin1() + '\n';
    return text;
}

bool IsDottedQuad(const QString& text)
{
    // Anchored at the very end: "$" alone also takes a line feed after the last part, which would
    // split the card's block in the interfaces file.
    static const QRegularExpression quad(
        QRegularExpression::anchoredPattern("([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})"));
    const QRegularExpressionMatch m = quad.match(text);
    if (!m.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i) {
        const QString part = m.captured(i);
        // "010" is 8 to some readers of the file and 10 to others.
        if (part.toInt() > 255 || (part.size() > 1 && part.startsWith('0')))
            return false;
    }
    return true;
}

namespace {
quint32 QuadValue(const QString& text)
{
    quint32 v = 0;
    for (const QString& part : text.split('.'))
        v = (v << 8) | quint32(part.toUInt());
    return v;
}
}  // namespace

CardFault CardAddressFault(const QStringList& card)
{
    for (int i = 0; i < 3; ++i)
        if (!IsDottedQuad(card.value(i)))
            return {i, 620};
    const quint32 address = QuadValue(card[0]);
    const quint32 mask = QuadValue(card[1]);
    const quint32 gateway = QuadValue(card[2]);
    // Leading ones then zeros, at least one of each.
    if (mask == 0 || mask == 0xffffffffu || (~mask & (~mask + 1)) != 0)
        return {1, 701};
    // Loopback, then 0/8, multicast and reserved: no machine's address, whatever the mask.
    const auto classFault = [](quint32 a) {
        const quint32 first = a >> 24;
        if (first == 127)
            return 704;
        if (first == 0 || first >= 224)
            return 705;
        return 0;
    };
    if (const int row = classFault(address))
        return {0, row};
    // The network's own address or its broadcast; a two-address network (/31) has neither.
    const auto hostFault = [mask](quint32 a) {
        const quint32 host = a & ~mask;
        if (~mask > 1 && host == 0)
            return 702;
        if (~mask > 1 && host == ~mask)
            return 703;
        return 0;
    };
    if (const int row = hostFault(address))
        return {0, row};
    if (gateway == 0)
        return {};
    // A short mask can put such a gateway inside the subnet; it is still no router's address.
    if (const int row = classFault(gateway))
        return {2, row};
    if (gateway == address)
        return {2, 707};
    if ((gateway & mask) != (address & mask))
        return {2, 706};
    if (const int row = hostFault(gateway))
        return {2, row};
    return {};
}

bool CardAddressesWork(const QStringList& card)
{
    return CardAddressFault(card).row == 0;
}

bool IsHostName(const QString& text)
{
    static const QRegularExpression name(
        QRegularExpression::anchoredPattern("[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?"));
    return name.match(text).hasMatch();
}

namespace {
// The first changed wired card that cannot work, and its name.
CardFault EditedCardFault(const NetCard& inForce, const NetCard& edited, QStringList* card)
{
    for (auto it = edited.addresses.cbegin(); it != edited.addresses.cend(); ++it) {
        if (!written(it.key()))
            continue;
        const QStringList before = inForce.addresses.value(it.key());
        bool changed = false;
        for (int i = 0; i < 3; ++i) {
            const QString v = it.value().value(i);
            if (v == before.value(i))
                continue;
            if (!IsDottedQuad(v))
                return {i, 620};
            changed = true;
        }
        // A changed card must work as a whole; one left as it is in force is not judged.
        const CardFault f = changed ? CardAddressFault(it.value()) : CardFault{};
        if (f.row) {
            *card = it.value();
            return f;
        }
    }
    return {};
}
}  // namespace

bool EditedAddressesValid(const NetCard& inForce, const NetCard& edited)
{
    QStringList card;
    return EditedCardFault(inForce, edited, &card).row == 0;
}

QString EditedCardRefusal(const NetCard& inForce, const NetCard& edited)
{
    QStringList card;
    const CardFault f = EditedCardFault(inForce, edited, &card);
    if (f.row == 0)
        return QString();
    if (f.row == 620)
        return textRow(620);
    // Labelled as the network page labels the three values (IP, mask, gateway).
    return textRow(700).arg(textRow(329 + f.value), card.value(f.value), textRow(f.row));
}
