#pragma once
// The report server: a TCP server on the loopback address for the one local report client, which
// forwards reports to the plant server. Only its set-up and flags are built here; the sending
// operations keep their interfaces and do nothing while no client is connected (the message
// bodies, the sender thread, the video channel and the card record arrive with network reporting).
#include <QList>
#include <QMap>
#include <QString>
#include <QTcpServer>

#include "network/netcard.h"

struct param_roi;
class QDateTime;
class QTcpSocket;


class CNT_Net : public QTcpServer {
    Q_OBJECT
public:
    static constexpr quint16 kPort = 8890;

    // Reads the CntNet row of PARAM.db through its own connection (the record is not loaded yet);
    // when reporting is on, listens on the local host and sets isopen.
    explicit CNT_Net(QObject* parent = nullptr);
    ~CNT_Net() override;

    // Reporting switched on in the CntNet row read at construction.
    bool reportingEnabled() const { return enabled; }

    void CNT_FirstInit();
    // Starts "./cnt_net/runNetClient.py" in the background when the script exists.
    void CNT_ReStart();
    void CNT_SendMemoryInfo();
    void CNT_SendParam();
    void CNT_SendRecord(QDateTime const& when, QString const& level, QString const& text);
    void CNT_SendStatistics(QString const& picture);
    void CNT_SendStatistics_Once(QList<param_roi> const& rows, bool ng, int trigger);
    void ChkandAddStaticticsItem(int camera, int stage, int region);
    void CNT_SendTelInfo(int stage, int count);
    void CNT_AddNgTimes(int ms);
    void CNT_SendSaveNgVideo(int a, int b);
    void CNT_SendCancle();
    void CNT_SendManualStop();
    void CNT_SendAlarmPic(QString const& path);
    void CNT_SendTempPic(QString const& path);
    void CNT_SendROIParam(int camera, int detect);

    // Card information of the machine (files through sysPath).
    // Card name to [address, netmask, gateway] from /etc/network/interfaces and /proc/net/dev;
    // empty when the interfaces file cannot be read.
    static QMap<QString, QStringList> getNewNetCardInfo();
    // Card name to the MAC in /sys/class/net/<card>/address (cards the kernel lists, not lo).
    static QMap<QString, QString> getNetMac();
    static QString getNetHostName();
    // Card name to its IPv4 address as the kernel has it now (not lo).
    static QMap<QString, QString> getNetCardInfo();

    // The settings screen opens: the card record in force becomes the edit copy.
    void CopyCardToEdit() { cardEdit = cardInForce; }

    NetCard cardInForce;
    NetCard cardEdit;
    bool isopen = false;
    bool connected = false;

private:
    void TakeClient();

    bool enabled = false;
    QTcpSocket* client = nullptr;
};

// Reads cnt_net_enabled (the first value of the CntNet row) from `paramFile`; false when the file,
// the table or the row is missing or the value is not a number.
bool ReadReportingSwitch(const QString& paramFile);
