#pragma once
// What the other-networks page reads and writes outside the parameter record: the Wi-Fi file, the
// report client's server database and the receive counts of /proc/net/dev. Plain functions, so the
// exact bytes and the refusals are checked without the page.
#include <functional>

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Name 1-32 UTF-8 bytes, password 8-63 printable ASCII characters, neither with a double quote
// or a control character: anything else would add lines to wpa_supplicant's file.
bool WifiValuesValid(const QString& name, const QString& password);
// The five CR LF ended lines of "wlanpwd.conf", UTF-8.
QByteArray WifiConfText(const QString& name, const QString& password);
// The last quoted ssid and psk of a wlanpwd.conf text (empty when none).
void ParseWifiConf(const QByteArray& text, QString* name, QString* password);

// The four keys of the server settings, in the order they are read and written.
const QStringList& ServerKeys();
// An address key's value is a dotted quad, a port key's 1-65535.
bool ServerValueValid(const QString& key, const QString& value);
// Key to value of the keys that have a row in info_sysconf of `dbPath`; empty when the file is
// missing or cannot be opened.
QMap<QString, QString> ReadServerSettings(const QString& dbPath);
// Updates the rows that exist with `values` (bound, never pasted into the statement); nothing is
// written unless every value to write is valid.
enum class ServerWrite { Written, Refused, Failed };
ServerWrite WriteServerSettings(const QString& dbPath, const QMap<QString, QString>& values);

// Interface to receive byte count of a /proc/net/dev text, lo left out.
QMap<QString, qint64> ReceiveCounts(const QByteArray& procNetDev);

// The traffic check: an interface has traffic when its receive count rose since the last tick.
class TrafficCheck {
public:
    void start(const QMap<QString, qint64>& counts);
    void tick(const QMap<QString, qint64>& counts);
    const QMap<QString, bool>& flags() const { return flags_; }
    const QMap<QString, qint64>& counts() const { return counts_; }

private:
    QMap<QString, qint64> counts_;
    QMap<QString, bool> flags_;
};

// The reset of the report statistics after its confirmation: the record files and the picture
// folders go, then both records start afresh through the two calls (either may be empty).
void ResetReportStatistics(const std::function<void()>& initStatistics, const std::function<void()>& initManualStop);
