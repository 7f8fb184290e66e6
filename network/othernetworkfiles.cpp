#include "network/othernetworkfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include "core/commandrunner.h"
#include "settings/netfiles.h"

namespace {

bool HasQuoteOrControl(const QString& text)
{
    for (const QChar c : text) {
        if (c == '"' || c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// A connection of its own for each use: the process's default connection belongs to no one page.
class ServerDb {
public:
    explicit ServerDb(const QString& path)
        : name_("sysconf-" + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(path);
        open_ = db.open();
    }
    ~ServerDb()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    bool isOpen() const { return open_; }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }
    bool value(const QString& key, QString* out) const
    {
        QSqlQuery q(db());
        q.prepare("select 值 from info_sysconf where 信息名称=?");
        q.addBindValue(key);
        if (!q.exec() || !q.next())
            return false;
        *out = q.value(0).toString();
        return true;
    }

private:
    QString name_;
    bool open_ = false;
};

}  // namespace

bool WifiValuesValid(const QString& name, const QString& password)
{
    const int nameBytes = name.toUtf8().size();
    if (nameBytes < 1 || nameBytes > 32 || HasQuoteOrControl(name))
        return false;
    if (password.size() < 8 || password.size() > 63)
        return false;
    for (const QChar c : password) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || c == '"')
            return false;
    }
    return true;
}

QByteArray WifiConfText(const QString& name, const QString& password)
{
    return "network={\r\n\tssid=\"" + name.toUtf8() + "\"\r\n\tpsk=\"" + password.toUtf8() +
           "\"\r\n\tproto=RSN\r\n}\r\n";
}

void ParseWifiConf(const QByteArray& text, QString* name, QString* password)
{
    static const QRegularExpression ssid("^.*ssid=\"(.*)\".*$");
    static const QRegularExpression psk("^.*psk=\"(.*)\".*$");
    for (const QByteArray& raw : text.split('\n')) {
        QString line = QString::fromUtf8(raw);
        if (line.endsWith('\r'))
            line.chop(1);
        QRegularExpressionMatch m = ssid.match(line);
        if (m.hasMatch())
            *name = m.captured(1);
        m = psk.match(line);
        if (m.hasMatch())
            *password = m.captured(1);
    }
}

const QStringList& ServerKeys()
{
    static const QStringList keys{"serverip_info", "serverip_file", "serverport_info", "serverport_file"};
    return keys;
}

bool ServerValueValid(const QString& key, const QString& value)
{
    if (key.startsWith("serverip_"))
        return IsDottedQuad(value);
    static const QRegularExpression digits(QRegularExpression::anchoredPattern("[0-9]{1,5}"));
    if (!digits.match(value).hasMatch())
        return false;
    const int port = value.toInt();
    return port >= 1 && port <= 65535;
}

QMap<QString, QString> ReadServerSettings(const QString& dbPath)
{
    QMap<QString, QString> out;
    if (!QFileInfo(dbPath).isFile())
        return out;
    ServerDb db(dbPath);
    if (!db.isOpen())
        return out;
    for (const QString& key : ServerKeys()) {
        QString v;
        if (db.value(key, &v))
            out.insert(key, v);
    }
    return out;
}

ServerWrite WriteServerSettings(const QString& dbPath, const QMap<QString, QString>& values)
{
    if (!QFileInfo(dbPath).isFile())
        return ServerWrite::Failed;
    ServerDb db(dbPath);
    if (!db.isOpen())
        return ServerWrite::Failed;
    QStringList keys;
    for (const QString& key : ServerKeys()) {
        QString old;
        if (!values.contains(key) || !db.value(key, &old))
            continue;  // a key without a row is never inserted
        if (!ServerValueValid(key, values.value(key)))
            return ServerWrite::Refused;
        keys << key;
    }
    QSqlDatabase sql = db.db();
    sql.transaction();
    for (const QString& key : keys) {
        QSqlQuery q(sql);
        q.prepare("update info_sysconf set 值=? where 信息名称=?");
        q.addBindValue(values.value(key));
        q.addBindValue(key);
        if (!q.exec()) {
            sql.rollback();
            return ServerWrite::Failed;
        }
    }
    return sql.commit() ? ServerWrite::Written : ServerWrite::Failed;
}

QMap<QString, qint64> ReceiveCounts(const QByteArray& procNetDev)
{
    QMap<QString, qint64> out;
    const int end = procNetDev.indexOf('\0');
    const QString text = QString::fromLatin1(end < 0 ? procNetDev : procNetDev.left(end));
    static const QRegularExpression entry("\\s+(\\S+):\\s+(\\d+)");
    auto it = entry.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1) != "lo")
            out.insert(m.captured(1), m.captured(2).toLongLong());
    }
    return out;
}

void TrafficCheck::start(const QMap<QString, qint64>& counts)
{
    flags_.clear();
    counts_ = counts;
}

void TrafficCheck::tick(const QMap<QString, qint64>& counts)
{
    flags_.clear();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        // An interface seen for the first time shows no traffic in that tick.
        const qint64 old = counts_.value(it.key(), it.value());
        counts_.insert(it.key(), it.value());
        flags_.insert(it.key(), it.value() - old >= 1);
    }
}

void ResetReportStatistics(const std::function<void()>& initStatistics, const std::function<void()>& initManualStop)
{
    for (const char* file : {"./cnt_net/data/Statistics", "./cnt_net/data/ManualStop"}) {
        if (QFile::exists(file))
            QFile::remove(file);
    }
    for (const char* dir : {"./cnt_net/cnt_alarmimage", "./cnt_net/cnt_tempimage", "./cnt_net/cnt_fail"})
        runCommand("rm", {"-rf", dir});
    if (initStatistics)
        initStatistics();
    if (initManualStop)
        initManualStop();
}
