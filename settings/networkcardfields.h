#pragma once
// What the network page shows for a card and how its edits reach the edited card record.
#include <functional>
#include <QByteArray>
#include <QMap>
#include <QString>

#include "network/netcard.h"

class WizardPara;

struct CardFields {
    bool hasMac = false;
    QString mac;
    bool hasAddress = false;   // the address and gateway fields are set
    bool hasMask = false;      // the mask field is set
    QString address, mask, gateway;
    bool hasUseCard = false;   // the use-this-card switch is set
    bool useCard = false;
};

// The fields for card `card` of the edited record. A wireless card in use for reporting shows the
// address the computer has for it and the gateway of its default route (`interfaces` and `route`
// are asked only for a wireless card).
CardFields FieldsForCard(const NetCard& edit, const QString& card, const QString& reportingEdit,
                         const QString& reportingInForce,
                         const std::function<QMap<QString, QString>()>& interfaces,
                         const std::function<QByteArray()>& route);

// Entry 0 (address), 1 (mask) or 2 (gateway) of a wired card with its three entries := text.
// False when nothing changed hands (wireless or unknown card).
bool SetCardEntry(NetCard& edit, const QString& card, int entry, const QString& text);

// The reporting card name of the record: the card's Latin-1 name (at most 99 bytes) or "null".
void SetReportingCard(WizardPara& record, const QString& card, bool use);
