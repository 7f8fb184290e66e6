#pragma once
// The report server: a TCP server on the loopback address for the one local report client, which
// forwards reports to the plant server. It starts the client, takes its connection, reads its
// replies (acknowledges, heartbeats, re-link requests, answers to queries) and restarts it when it
// falls silent; its sender thread writes the queued messages one by one.
#include <atomic>
#include <functional>

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QVector>

#include "network/netcard.h"
#include "network/replyparser.h"

struct param_roi;
class CNT_Thread;
class QDateTime;
class QTcpSocket;
class QTimer;

// Report message types.
enum SendType {
    SEND_NONE = 0,
    SEND_RECORD = 1,
    SEND_PARAM = 2,
    SEND_ALARM_PIC = 5,
    SEND_TEMP_PIC = 6,
    SEND_STATISTICS = 7,
    SEND_ROI_PARAM = 8,
    SEND_MEMORY_INFO = 9,
    SEND_MANUAL_STOP = 10,
    SEND_DEL_TEMP_PIC = 11,
    SEND_ADD_REMIND = 12,
    SEND_DEL_REMIND = 13,
    SEND_GET_PRODUCT = 14,
    SEND_SAVE_NG_VIDEO = 15,
    SEND_TEL_INFO = 16,
    SEND_GET_REMIND_LIST = 17,
    SEND_STATISTICS_ONCE = 18,
    SEND_RUN_STATE = 19,
    SEND_CANCLE = 20,
    SEND_TYPE_COUNT = 21
};

// The waits of the link; the program uses the defaults, tests shorten them.
struct ReportTimings {
    int ackWaitMs = 5000;        // an unacknowledged message is written again after this
    int heartCheckMs = 60000;    // the heartbeat check runs this often
    int heartSilenceMs = 59001;  // a client silent this long at a check is restarted
    int fragmentMs = 2000;       // an incomplete reply is dropped after this
};

class CNT_Net : public QTcpServer {
    Q_OBJECT
public:
    static constexpr quint16 kPort = 8890;
    // SessionId values of the query answers.
    static constexpr int kSessionProduct = 14;
    static constexpr int kSessionRemind = 17;

    // Reads the CntNet row of PARAM.db through its own connection (the record is not loaded yet);
    // when reporting is on, listens on the local host, creates the sender and sets isopen.
    explicit CNT_Net(QObject* parent = nullptr);
    ~CNT_Net() override;

    // Reporting switched on in the CntNet row read at construction.
    bool reportingEnabled() const { return enabled; }
    void setTimings(const ReportTimings& timings);
    const ReportTimings& timings() const { return timings_; }

    void CNT_FirstInit();
    // Starts "./cnt_net/runNetClient.py" in the background when the script exists; a client
    // already running is not stopped.
    void CNT_ReStart();

    // Frames `body` as message `type` and queues it, when the type's send switch is on.
    void CNT_Enqueue(SendType type, const QByteArray& body);
    // Hands the client connection to the sender and wakes it.
    void StartSend();
    // Wakes the sender after an acknowledge.
    void goThrough();
    // Messages waiting (the head may be written and awaiting its acknowledge).
    int queuedMessages() const;
    // How often the head has been written on this connection.
    int retryCount() const;

    // Who gets the body of a reply with SessionId `id` (14: the device page's product list, 17:
    // the reminders page's list). The receiver is dropped with `context`.
    void setSessionReceiver(int id, QObject* context, std::function<void(const QString& body)> receiver);
    // Acts on one whole reply: header, "\r\n\r\n", body.
    void ParsingBackBuf(const QString& reply);

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
    // Queries answered by SessionId replies (empty bodies).
    void CNT_SendGetProduct();
    void CNT_SendGetRemindList();

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
    // The client link is up; never true without a client socket.
    std::atomic<bool> connected{false};
    // Set by the other-networks page after it saved new server addresses; the settings accept
    // restarts the client and clears it.
    bool serverSettingsChanged = false;
    // Reminder texts; emptied by the reminders page when a reminder reply arrives.
    QStringList remindList;
    // UTC ms of the last single inspection result message.
    qint64 bindTime = 0;
    // Per message type: sent or not.
    QMap<SendType, bool> whichSend;

protected:
    void incomingConnection(qintptr descriptor) override;
    void timerEvent(QTimerEvent* event) override;

private slots:
    void SlotReadyRead();
    void SlotDisConnetced();

private:
    void SetConnected(bool up);
    void HandleReplies(const QList<ReplyParser::Reply>& replies);
    void ArmFragmentTimer();
    void HeartbeatCheck();
    // On the GUI thread: writes a frame the sender handed over, when its connection is current.
    void WriteFrame(quint64 connection, const QByteArray& frame);
    bool RestartAllowed() const;

    bool enabled = false;
    ReportTimings timings_;
    QElapsedTimer clock_;       // monotonic: the settings set the wall clock
    qint64 lastHeartMs_ = 0;    // time of the last heartbeat, re-link or check on clock_
    QMap<int, QString> timerNames_;
    int heartTimer_ = 0;
    QTcpSocket* client = nullptr;
    quint64 clientId_ = 0;      // serial of the client connection; 0 for none
    quint64 lastClientId_ = 0;
    ReplyParser parser_;
    QTimer* fragmentTimer_ = nullptr;
    CNT_Thread* sender = nullptr;
    struct SessionReceiver {
        QPointer<QObject> context;
        std::function<void(const QString&)> receive;
    };
    QMap<int, SessionReceiver> receivers_;
};

// Reads cnt_net_enabled (the first value of the CntNet row) from `paramFile`; false when the file,
// the table or the row is missing or the value is not a number.
bool ReadReportingSwitch(const QString& paramFile);
