#include "settings/networkcardfields.h"

#include <cstring>

#include "core/wizardpara.h"
#include "settings/connectivity.h"

CardFields FieldsForCard(const NetCard& edit, const QString& card, const QString& reportingEdit,
                         const QString& reportingInForce,
                         const std::function<QMap<QString, QString>()>& interfaces,
                         const std::function<QByteArray()>& route)
{
    CardFields f;
    if (edit.macs.contains(card)) {
        f.hasMac = true;
        f.mac = edit.macs.value(card);
    }
    const QStringList entries = edit.addresses.value(card);
    if (edit.addresses.contains(card) && entries.size() == 3) {
        f.hasAddress = true;
        f.hasMask = true;
        f.address = entries.at(0);
        f.mask = entries.at(1);
        f.gateway = entries.at(2);
        f.hasUseCard = true;
        f.useCard = card == reportingEdit;
    }
    if (card.contains("wlan")) {
        const QMap<QString, QString> present = interfaces();
        const QString gateway = GatewayFromRoute(route(), "0.0.0.0");
        if (card == reportingInForce && present.contains(card) && gateway.count('.') == 3) {
            f.hasAddress = true;
            f.address = present.value(card);
            f.gateway = gateway;
        }
    }
    return f;
}

bool SetCardEntry(NetCard& edit, const QString& card, int entry, const QString& text)
{
    if (card.contains("wlan") || entry < 0 || entry > 2)
        return false;
    auto it = edit.addresses.find(card);
    if (it == edit.addresses.end() || it->size() != 3)
        return false;
    (*it)[entry] = text;
    return true;
}

void SetReportingCard(WizardPara& record, const QString& card, bool use)
{
    const QByteArray name = use ? card.toLatin1().left(int(sizeof(record.CntNet_UseName)) - 1) : QByteArray("null");
    std::memset(record.CntNet_UseName, 0, sizeof(record.CntNet_UseName));
    std::memcpy(record.CntNet_UseName, name.constData(), size_t(name.size()));
}
