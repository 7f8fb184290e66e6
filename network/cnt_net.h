#pragma once
// The report server: a TCP server on the loopback address for the one local report client, which
// forwards reports to the plant server. It starts the client, takes its connection, reads its
// replies (acknowledges, heartbeats, re-link requests, answers to queries) and restarts it when it
// falls silent; its sender thread writes the queued messages one by one.
#include <atomic>
#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QVector>

#include <QMutex>

#include "core/globals.h"
#include "network/cnt_semaphore.h"
#include "network/netcard.h"
#include "network/reportclientprocess.h"
#include "network/replyparser.h"
#include "network/reportrecords.h"

struct param_roi;
class CammerSingleton;
class CNT_Thread;
class CNT_Thread_CopyVideo;
class QImage;
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

// What the reports read of the monitoring controller, and the one clock of the records; the
// main window fills it, tests set it.
struct ReportHost {
    std::function<qint64()> nowMs;                            // UTC ms
    std::function<int()> runState;                            // 1 detecting, 2 resampling, 3 stopped
    std::function<int()> cycleTime;                           // tenths of a second
    std::function<int()> releaseMethod;                       // how the last alarm was released, 4..8
    std::function<const CammerSingleton*(int camera)> regionModel;  // the model in force
    std::function<QImage()> grabWindow;                       // the main window as a picture
    std::function<void(int camera)> refreshFrame;             // renews a view's display copy
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

    // In video-share mode 1 makes the screen channel; starts "send_timer" when a channel exists.
    void CNT_FirstInit();

    // Shared video (cnt_net_video.cpp). Makes channel `channel` for frames of width x height
    // 32-bit pixels (B, G, R, A); the channel's picture is cut to even sizes. `frame`, when not null,
    // is the channel's source, read at every tick.
    void CNT_AddUseMemory(int channel, int width, int height, void* frame);
    // Copies one frame (null: the channel's source) into the channel as I420; a channel the
    // client holds skips the frame.
    void CNT_UpdateMemory(int channel, void* frame);
    void CNT_FreeShareMemory();
    // The work of one "send_timer" tick.
    void VideoTick();
    // The channels made so far.
    const QMap<int, VideoShareInfo>& videoChannels() const { return shareInfo_; }
    // The memory-info body (type 9) as it is or would be sent.
    QByteArray MemoryInfoBody() const;
    bool memoryInfoSent() const { return memoryInfoSent_; }
    bool videoTimerRunning() const { return sendTimer_ != 0; }
    // The video copy thread CNT_FirstInit made (null before); it goes with this object.
    CNT_Thread_CopyVideo* videoCopyThread() const { return copyVideo_.get(); }
    // Starts "./cnt_net/runNetClient.py" in the background when the script exists. One client
    // runs at a time: the one started last, when it still runs, is ended first and its
    // connection dropped.
    void CNT_ReStart();
    // The client process started last.
    const ReportClientProcess& clientProcess() const { return clientProcess_; }

    // Frames `body` as message `type` and queues it, when the type's send switch is on.
    void CNT_Enqueue(SendType type, const QByteArray& body);
    // Hands the client connection to the sender and wakes it.
    void StartSend();
    // Wakes the sender after an acknowledge.
    void goThrough();
    // Messages waiting (the head may be written and awaiting its acknowledge).
    int queuedMessages() const;
    // The framed messages waiting, oldest first.
    QList<QByteArray> queuedFrames() const;
    // How often the head has been written on this connection.
    int retryCount() const;

    // Who gets the body of a reply with SessionId `id` (14: the device page's product list, 17:
    // the reminders page's list). The receiver is dropped with `context`.
    void setSessionReceiver(int id, QObject* context, std::function<void(const QString& body)> receiver);
    // Acts on one whole reply of the current client: header, "\r\n\r\n", body.
    void ParsingBackBuf(const QString& reply);
    // The most bytes read off the link and the longest time spent on it in one event: the link
    // shares the GUI thread with the monitoring pass and never holds it longer.
    static constexpr int kReadChunk = 8192;
    static constexpr qint64 kDrainBudgetNs = 1000000;
    // What the socket buffers beyond what was read; a client that writes faster waits.
    static constexpr int kSocketBuffer = 256 * 1024;

    // The report messages (cnt_net_send.cpp). Each sends only when its type is switched on in
    // "./cnt_net/whichsend.config"; callers test isopen and connected first (type 1: isopen).
    void CNT_SendMemoryInfo();
    void CNT_SendRecord(QDateTime const& time, QString const& operater, QString const& description);
    void CNT_SendParam();
    void CNT_SendAlarmPic(QString const& path);
    void CNT_SendTempPic(QString const& path);
    // What a statistics message takes from the running program, read where the program writes it
    // (the GUI thread): the NG picture writer sends with the copy handed over with its picture.
    struct StatisticsFacts {
        int runState = 0;
        int cameras = 0;
        int all[MAX_CAMERA] = {};
        int fail[MAX_CAMERA] = {};
        int cycleTime = 0;
        bool hasRecord = false;  // the fields below were read from a parameter record
        int cavity = 0;
        QByteArray productName;
        int batch = 0;
        int capacity = 0;
    };
    StatisticsFacts CurrentStatisticsFacts() const;
    // The statistics record, computed, saved and sent; ng_image is a picture path or "null".
    void CNT_SendStatistics(QString const& ng_image);
    void CNT_SendStatistics(QString const& ng_image, const StatisticsFacts& facts);
    void CNT_SendROIParam(int camera, int stage);
    void CNT_SendManualStop();
    // The manual-stop record and its file follow a start or stop (no client needed); the body.
    QByteArray CNT_RecordManualStop();
    void CNT_SendDelTempPic(int camera, int stage, QString const& templateName);
    void CNT_SendAddRemind(CNT_Path_Remind& remind);
    void CNT_SendDelRemind(qint64 utc);
    // Queries answered by SessionId replies (empty bodies).
    void CNT_SendGetProduct();
    void CNT_SendSaveNgVideo(int camera, int isng);
    void CNT_SendTelInfo(int check, int count);
    void CNT_SendGetRemindList();
    void CNT_SendStatistics_Once(QList<param_roi> const& rows, bool result, int trigger);
    void CNT_SendRunState();
    void CNT_SendCancle();
    // The send switches from "./cnt_net/whichsend.config" (every type on without it).
    void getWhichSend();

    // The report records (cnt_net_send.cpp): reloaded from their files, from the construction
    // values (the statistics reset deletes the files first).
    void InitManualStop();
    void InitStatistics();
    // One NG of a region (indices from 0).
    void ChkandAddStaticticsItem(int camera, int stage, int roi);
    // One alarm duration, added when an alarm is released.
    void CNT_AddNgTimes(int ms);
    // Trims the NG history to 100 (one per call) and returns its mean.
    int CNT_AddCycle();
    // Copies of the records (any thread).
    CNT_Path_ManualStop manualStopRecord() const;
    CNT_Path_Statistics statisticsRecord() const;
    QVector<int> ngHistoryCopy() const;

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
    ReportHost host;

protected:
    void incomingConnection(qintptr descriptor) override;
    void timerEvent(QTimerEvent* event) override;

private slots:
    void SlotReadyRead();
    void SlotDisConnetced();

private:
    void SetConnected(bool up);
    void HandleReply(quint64 connection, const QString& header, const QString& body);
    // Reads and handles a bounded share of the link; posts itself again while more is waiting.
    void DrainLink();
    void PostDrain();
    // The client connection goes (closed by the peer or dropped here).
    void DropClient();
    // The current client may be replaced by a newer connection: silent for a heartbeat period.
    bool ClientSilent() const;
    void ArmFragmentTimer();
    void HeartbeatCheck();
    // On the GUI thread: writes a frame the sender handed over, when its connection is current.
    void WriteFrame(quint64 connection, const QByteArray& frame);
    bool RestartAllowed() const;
    qint64 Now() const;
    int HostRunState() const { return host.runState ? host.runState() : 0; }
    void InitStatisticsLocked();
    int AddCycleLocked();

    // The records and the NG history are shared with the NG picture writer (type 7).
    mutable QMutex recordsMutex_;
    CNT_Path_ManualStop manualStop_;
    CNT_Path_Statistics statistics_;
    QVector<int> ngHistory_;  // alarm durations, ms, oldest first

    bool UpdateMemory(int channel, const unsigned char* frame, int stride);

    // Shared video channels by number, their sources, what the client was told of them.
    QMap<int, VideoShareInfo> shareInfo_;
    struct FrameSource {
        unsigned char* bits = nullptr;
        int width = 0, height = 0;  // as registered (the channel may be one less, even)
    };
    QMap<int, FrameSource> frameSources_;
    QList<VideoShareInfo> memoryInfo_;
    QByteArray scratch_;          // one converted frame
    bool memoryInfoReady_ = false;
    bool memoryInfoSent_ = false;
    int sendTimer_ = 0;
    // Owned: a unique_ptr will not compile a delete where the type is incomplete.
    std::unique_ptr<CNT_Thread_CopyVideo> copyVideo_;

    bool enabled = false;
    ReportTimings timings_;
    QElapsedTimer clock_;       // monotonic: the settings set the wall clock
    qint64 lastHeartMs_ = 0;    // time of the last heartbeat, re-link or check on clock_
    QMap<int, QString> timerNames_;
    int heartTimer_ = 0;
    QTcpSocket* client = nullptr;
    quint64 clientId_ = 0;      // serial of the client connection; 0 for none
    quint64 lastClientId_ = 0;
    qint64 lastHeardMs_ = 0;          // the current client's last reply on clock_
    qint64 lastRelineRestartMs_ = -1; // the last restart a "/reline/" caused, on clock_
    ReportClientProcess clientProcess_;
    QList<ReplyParser::Reply> replies_;  // read, not yet handled
    bool drainPosted_ = false;
    bool linkUpToSender_ = false;
    qint64 refusedAtMs_ = -1;         // the last refused connection that was logged
    int refused_ = 0;
    ReplyParser parser_;
    QTimer* fragmentTimer_ = nullptr;
    CNT_Thread* sender = nullptr;
    struct SessionReceiver {
        QPointer<QObject> context;
        std::function<void(const QString&)> receive;
    };
    QMap<int, SessionReceiver> receivers_;
};

// Points the parameter store's report (type 2) and the template deletions (type 11) at gpNet,
// sent while reporting is on and the client connected.
void InstallReportSeams();

// What the NG picture writer sends once a picture is on disk (the picture and a statistics
// record), made on the GUI thread with a copy of what the record reports; empty while reporting is
// off. The message goes out only when the client is connected at that time.
std::function<void(const QString& path)> PictureSavedReport();

// Reads cnt_net_enabled (the first value of the CntNet row) from `paramFile`; false when the file,
// the table or the row is missing or the value is not a number.
bool ReadReportingSwitch(const QString& paramFile);
