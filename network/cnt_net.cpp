#include "network/cnt_net.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTimer>
#include <QTimerEvent>
#include <QUuid>
#include <QVariant>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "network/cnt_thread.h"
#include "network/cnt_thread_copyvideo.h"

bool ReadReportingSwitch(const QString& paramFile)
{
    if (!QFileInfo(paramFile).isFile())
        return false;
    const QString conn = "cntnet-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int value = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", conn);
        db.setDatabaseName(paramFile);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("SELECT value FROM sysparam WHERE name = 'CntNet'") && q.next())
                value = ParseParamValues(q.value(0).toString(), 1).value(0);
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return value != 0;
}

CNT_Net::CNT_Net(QObject* parent) : QTcpServer(parent)
{
    cardInForce.addresses = getNewNetCardInfo();
    cardInForce.hostName = getNetHostName();
    cardInForce.macs = getNetMac();
    clock_.start();
    for (int t = 0; t < SEND_TYPE_COUNT; ++t)
        whichSend.insert(SendType(t), true);
    enabled = ReadReportingSwitch("PARAM.db");
    if (!enabled)
        return;
    QDir().mkpath("./cnt_net/data/");
    QFile::remove("./cnt_net/chknettimes");
    if (!listen(QHostAddress::LocalHost, kPort))
        qWarning() << "report server: cannot listen on port" << kPort << errorString();

    sender = new CNT_Thread([this](quint64 connection, const QByteArray& frame) {
        // The socket lives on this object's thread; the sender only hands the bytes over.
        QMetaObject::invokeMethod(this, [this, connection, frame] { WriteFrame(connection, frame); },
                                  Qt::QueuedConnection);
    });
    sender->setAckWaitMs(timings_.ackWaitMs);
    sender->start(QThread::InheritPriority);  // it idles while there is nothing to write

    fragmentTimer_ = new QTimer(this);
    fragmentTimer_->setSingleShot(true);
    connect(fragmentTimer_, &QTimer::timeout, this, [this] {
        replies_ += parser_.expire(clock_.elapsed());
        ArmFragmentTimer();
        if (!replies_.isEmpty())
            PostDrain();
    });

    lastHeartMs_ = clock_.elapsed();
    heartTimer_ = startTimer(timings_.heartCheckMs, Qt::CoarseTimer);
    timerNames_.insert(heartTimer_, "heart_timer");
    InitManualStop();
    InitStatistics();
    isopen = true;
    getWhichSend();
}

CNT_Net::~CNT_Net()
{
    copyVideo_.reset();  // stops and joins it before the channels go
    CNT_FreeShareMemory();
    delete sender;  // stops and joins the sender before the socket goes
    sender = nullptr;
}

void CNT_Net::setTimings(const ReportTimings& timings)
{
    timings_ = timings;
    parser_.setFragmentMs(timings.fragmentMs);
    if (sender)
        sender->setAckWaitMs(timings.ackWaitMs);
    if (heartTimer_) {
        killTimer(heartTimer_);
        timerNames_.remove(heartTimer_);
        heartTimer_ = startTimer(timings.heartCheckMs, Qt::CoarseTimer);
        timerNames_.insert(heartTimer_, "heart_timer");
    }
}

void CNT_Net::CNT_ReStart()
{
    const QString script = "./cnt_net/runNetClient.py";
    if (!QFileInfo(script).isFile())
        return;
    if (clientProcess_.end()) {
        // Its connection goes with it; a client that does not end within 2 s is killed.
        if (client)
            DropClient();
        const ReportClientProcess old = clientProcess_;
        QTimer::singleShot(2000, this, [old] { old.kill(); });
    }
    qint64 pid = 0;
    if (CommandRunner::instance()->startDetached("python3", {script}, &pid))
        clientProcess_.started(pid);
    else
        clientProcess_.started(0);
}

bool CNT_Net::RestartAllowed() const
{
    return gpWPara && gpWPara->cnt_net_enabled && isopen;
}

void CNT_Net::SetConnected(bool up)
{
    up = up && client;
    connected = up;
    // Told only of a change: a heartbeat flood must not keep waking the sender.
    if (sender && up != linkUpToSender_) {
        linkUpToSender_ = up;
        sender->setLinkUp(up);
    }
}

bool CNT_Net::ClientSilent() const
{
    return clock_.elapsed() - lastHeardMs_ >= timings_.heartCheckMs;
}

void CNT_Net::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    qint64 uid = -1;
    const bool ownUser = PeerIsOwnUser(descriptor, &uid);
    // Only the program's own user may be the client, and a newer connection replaces the
    // current client only when that one has fallen silent.
    if (!ownUser || (client && !ClientSilent())) {
        ++refused_;
        const qint64 now = clock_.elapsed();
        if (refusedAtMs_ < 0 || now - refusedAtMs_ >= 1000) {
            refusedAtMs_ = now;
            qWarning("report server: connection refused (%s, peer uid %lld); %d refused so far",
                     ownUser ? "the client is linked" : "another user", static_cast<long long>(uid), refused_);
        }
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (client) {
        // The silent client is replaced; its disconnect must not touch the newer one.
        QTcpSocket* old = client;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    client = socket;
    client->setReadBufferSize(kSocketBuffer);
    clientId_ = ++lastClientId_;
    parser_.clear();
    replies_.clear();
    lastHeartMs_ = clock_.elapsed();
    lastHeardMs_ = lastHeartMs_;
    connect(socket, &QTcpSocket::disconnected, this, &CNT_Net::SlotDisConnetced);
    connect(socket, &QTcpSocket::readyRead, this, &CNT_Net::SlotReadyRead);
    SetConnected(true);
    if (gpWPara && gpWPara->video_share != 0)
        CNT_SendMemoryInfo();
    StartSend();
}

void CNT_Net::SlotDisConnetced()
{
    auto* socket = qobject_cast<QTcpSocket*>(QObject::sender());
    if (socket && socket != client) {
        socket->disconnect(this);
        socket->deleteLater();
        return;
    }
    DropClient();
}

void CNT_Net::DropClient()
{
    if (client) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
    client = nullptr;
    clientId_ = 0;
    parser_.clear();
    replies_.clear();
    if (sender)
        sender->clearSocket();
    SetConnected(false);
    // A lock the departed client left is freed; set, not raised, so a free channel stays at 1.
    for (const VideoShareInfo& info : qAsConst(shareInfo_))
        if (info.sem)
            info.sem->resetToOne();
}

void CNT_Net::SlotReadyRead()
{
    PostDrain();
}

void CNT_Net::PostDrain()
{
    if (drainPosted_)
        return;
    drainPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { DrainLink(); }, Qt::QueuedConnection);
}

void CNT_Net::DrainLink()
{
    drainPosted_ = false;
    if (!client)
        return;
    const quint64 connection = clientId_;
    QElapsedTimer spent;
    spent.start();
    // Handled in arrival order, read only when none is waiting, for a bounded time: the events
    // queued behind (the monitoring pass among them) run in between.
    while (client && clientId_ == connection) {
        if (!replies_.isEmpty()) {
            const ReplyParser::Reply reply = replies_.takeFirst();
            lastHeardMs_ = clock_.elapsed();
            HandleReply(connection, reply.header, reply.body);
        } else if (client->bytesAvailable() > 0) {
            replies_ = parser_.feed(client->read(kReadChunk), clock_.elapsed());
        } else {
            break;
        }
        if (spent.nsecsElapsed() >= kDrainBudgetNs)
            break;
    }
    if (!client || clientId_ != connection)
        return;
    ArmFragmentTimer();
    if (!replies_.isEmpty() || client->bytesAvailable() > 0)
        PostDrain();
}

void CNT_Net::ArmFragmentTimer()
{
    const qint64 deadline = parser_.deadline();
    if (deadline < 0) {
        fragmentTimer_->stop();
        return;
    }
    fragmentTimer_->start(int(qMax<qint64>(0, deadline - clock_.elapsed())));
}

void CNT_Net::ParsingBackBuf(const QString& reply)
{
    const int sep = reply.indexOf("\r\n\r\n");
    if (sep < 0)
        return;
    HandleReply(clientId_, reply.left(sep), reply.mid(sep + 4));
}

void CNT_Net::HandleReply(quint64 connection, const QString& headerText, const QString& body)
{
    const QStringList header = headerText.split("\r\n");
    const QString& first = header.first();
    if (first.contains("/back/")) {
        // Only the connection the head was written to can acknowledge it.
        if (sender)
            sender->acknowledge(connection);
        return;
    }
    if (first.contains("/heart/")) {
        SetConnected(true);
        lastHeartMs_ = clock_.elapsed();
        return;
    }
    if (first.contains("/reline/")) {
        // The asking client gives up its link: dropped at once, so the client started next is
        // taken (an open link that was just heard would refuse it) and the queue waits for it.
        if (client && connection == clientId_)
            DropClient();
        SetConnected(false);
        const qint64 now = clock_.elapsed();
        // One restart a heartbeat period: a client that keeps asking does not multiply.
        if (RestartAllowed() && (lastRelineRestartMs_ < 0 || now - lastRelineRestartMs_ >= timings_.heartCheckMs)) {
            lastRelineRestartMs_ = now;
            CNT_ReStart();
        }
        lastHeartMs_ = now;
        return;
    }
    int session = 0;
    for (const QString& line : header) {
        if (!line.contains("SessionId"))
            continue;
        const QStringList parts = line.split(':');
        if (parts.size() == 2)
            session = parts[1].trimmed().toInt();  // 0 when not a number
    }
    const auto it = receivers_.constFind(session);
    if (it != receivers_.constEnd() && it->context && it->receive)
        it->receive(body);
}

void CNT_Net::setSessionReceiver(int id, QObject* context, std::function<void(const QString&)> receiver)
{
    receivers_.insert(id, SessionReceiver{context, std::move(receiver)});
}

void CNT_Net::timerEvent(QTimerEvent* event)
{
    const QString name = timerNames_.value(event->timerId());
    if (name == "heart_timer")
        HeartbeatCheck();
    else if (name == "send_timer")
        VideoTick();
    QTcpServer::timerEvent(event);
}

void CNT_Net::HeartbeatCheck()
{
    const qint64 now = clock_.elapsed();
    if (now - lastHeartMs_ < timings_.heartSilenceMs) {
        SetConnected(true);
    } else {
        SetConnected(false);
        if (RestartAllowed())
            CNT_ReStart();
    }
    lastHeartMs_ = now;
}

void CNT_Net::StartSend()
{
    if (!sender)
        return;
    sender->setSocket(client ? clientId_ : 0);
}

void CNT_Net::goThrough()
{
    if (sender)
        sender->wake();
}

void CNT_Net::WriteFrame(quint64 connection, const QByteArray& frame)
{
    if (!client || connection != clientId_)
        return;
    client->write(frame);
    client->flush();
}

int CNT_Net::queuedMessages() const
{
    return sender ? sender->queued() : 0;
}

QList<QByteArray> CNT_Net::queuedFrames() const
{
    return sender ? sender->messages() : QList<QByteArray>();
}

int CNT_Net::retryCount() const
{
    return sender ? sender->retryCount() : 0;
}

void CNT_Net::CNT_Enqueue(SendType type, const QByteArray& body)
{
    if (!sender || !whichSend.value(type, false))
        return;
    // Any thread (the NG picture writer sends too): the connection is handed over by the GUI
    // thread only, here the sender is just woken.
    sender->enqueue(FrameReport(int(type), body));
}

