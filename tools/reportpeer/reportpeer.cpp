#include "reportpeer.h"

#include <cstdio>

#include <QCoreApplication>
#include <QHostAddress>

namespace {
const QByteArray kAck = "POST /back/ HTTP/1.1\r\n\r\n";
const QByteArray kHeart = "POST /heart/ HTTP/1.1\r\n\r\n";
const QByteArray kReline = "POST /reline/ HTTP/1.1\r\n\r\n";
}  // namespace

ReportPeer::ReportPeer(quint16 port, bool reconnect, int heartbeatMs, QObject* parent)
    : QObject(parent), port_(port), reconnect_(reconnect)
{
    clock_.start();
    connect(&socket_, &QTcpSocket::connected, this, [this] { log("connected"); });
    connect(&socket_, &QTcpSocket::readyRead, this, &ReportPeer::onReadyRead);
    connect(&socket_, &QTcpSocket::disconnected, this, &ReportPeer::onDisconnected);
    connect(&socket_, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_.state() == QAbstractSocket::UnconnectedState && !ended_)
            QTimer::singleShot(200, this, &ReportPeer::connectToServer);  // server not up yet
    });
    connect(&heartbeat_, &QTimer::timeout, this, [this] { reply(kHeart); });
    connect(&flood_, &QTimer::timeout, this, &ReportPeer::floodStep);
    connect(&junk_, &QTimer::timeout, this, [this] {
        // Bytes of any value but '\r', so no separator ends them.
        QByteArray junk(junkBytes_, Qt::Uninitialized);
        for (char& c : junk) {
            seed_ = seed_ * 1103515245u + 12345u;
            c = char(seed_ >> 24);
            if (c == '\r')
                c = 'x';
        }
        socket_.write(junk);
        floodJunk_ += junk.size();
    });
    connect(&products_, &QTimer::timeout, this, [this] {
        if (clock_.elapsed() >= productsEndMs_) {
            products_.stop();
            log("products " + QByteArray::number(productReplies_));
            return;
        }
        socket_.write(productReply_);
        ++productReplies_;
    });
    if (heartbeatMs > 0)
        heartbeat_.start(heartbeatMs);
    connectToServer();
}

void ReportPeer::connectToServer()
{
    if (ended_ || socket_.state() != QAbstractSocket::UnconnectedState)
        return;
    socket_.connectToHost(QHostAddress::LocalHost, port_);
}

void ReportPeer::log(const QByteArray& what)
{
    std::printf("%lld %s\n", static_cast<long long>(clock_.elapsed()), what.constData());
    std::fflush(stdout);
}

void ReportPeer::onDisconnected()
{
    log("closed");
    pending_.clear();
    if (reconnect_ && !ended_)
        QTimer::singleShot(200, this, &ReportPeer::connectToServer);
    else
        QCoreApplication::exit(0);
}

void ReportPeer::onReadyRead()
{
    if (!reading_)
        return;
    pending_ += socket_.readAll();
    for (;;) {
        const int mark = pending_.indexOf(":..!");
        if (mark < 0)
            return;
        const QList<QByteArray> head = pending_.left(mark).split(':');
        bool ok = head.size() == 2;
        const int length = ok ? head[1].toInt(&ok) : 0;
        if (!ok || length < 0) {
            log("garbage " + EscapeLine(pending_.left(mark + 4)));
            pending_.remove(0, mark + 4);
            continue;
        }
        if (pending_.size() < mark + 4 + length)
            return;
        const QByteArray header = pending_.left(mark + 4);
        const QByteArray body = pending_.mid(mark + 4, length);
        pending_.remove(0, mark + 4 + length);
        onFrame(header, body);
        if (ended_)
            return;
    }
}

void ReportPeer::onFrame(const QByteArray& header, const QByteArray& body)
{
    log("frame " + EscapeLine(header + body));
    if (vanishAtNextFrame_) {
        ended_ = true;
        socket_.abort();
        log("vanished");
        QCoreApplication::exit(0);
        return;
    }
    switch (ack_) {
    case Ack::Now:
        reply(kAck);
        break;
    case Ack::Twice:
        reply(kAck);
        reply(kAck);
        break;
    case Ack::Late:
        QTimer::singleShot(lateMs_, this, [this] { reply(kAck); });
        break;
    case Ack::Never:
        break;
    }
}

void ReportPeer::reply(const QByteArray& bytes)
{
    if (holding_) {
        held_ += bytes;
        return;
    }
    writeOut(bytes);
}

void ReportPeer::writeOut(const QByteArray& bytes)
{
    if (socket_.state() != QAbstractSocket::ConnectedState)
        return;
    log("sent " + EscapeLine(bytes));
    if (splitMs_ > 0 && bytes.size() > 1) {
        const int half = bytes.size() / 2;
        socket_.write(bytes.left(half));
        socket_.flush();
        const QByteArray rest = bytes.mid(half);
        QTimer::singleShot(splitMs_, this, [this, rest] {
            socket_.write(rest);
            socket_.flush();
        });
        return;
    }
    socket_.write(bytes);
    socket_.flush();
}

void ReportPeer::startFlood(int ms, int junkBytes, int junkEveryMs)
{
    floodEndMs_ = clock_.elapsed() + ms;
    floodHearts_ = floodJunk_ = 0;
    junkBytes_ = junkBytes;
    flood_.start(1);
    if (junkBytes > 0 && junkEveryMs > 0)
        junk_.start(junkEveryMs);
}

void ReportPeer::floodStep()
{
    if (clock_.elapsed() >= floodEndMs_ || socket_.state() != QAbstractSocket::ConnectedState) {
        flood_.stop();
        junk_.stop();
        log("flood " + QByteArray::number(floodHearts_) + " heartbeats " + QByteArray::number(floodJunk_) + " junk");
        return;
    }
    // As fast as the link takes them: the write buffer is topped up, never grown without bound.
    static const QByteArray block = kHeart.repeated(1000);
    while (socket_.bytesToWrite() < 256 * 1024) {
        socket_.write(block);
        floodHearts_ += 1000;
    }
}

void ReportPeer::startProducts(int names, int everyMs, int ms)
{
    QByteArray body = "{\"result\": [";
    for (int i = 0; i < names; ++i)
        body += (i ? ", " : "") + QByteArray("{\"product_name\": \"product-") + QByteArray::number(i) + "\"}";
    body += "]}";
    productReply_ = "POST /session/ HTTP/1.1\r\nSessionId: 14\r\n\r\n" + body;
    productsEndMs_ = clock_.elapsed() + ms;
    productReplies_ = 0;
    products_.start(everyMs);
}

void ReportPeer::command(const QByteArray& raw)
{
    const QByteArray line = raw.trimmed();
    const int space = line.indexOf(' ');
    const QByteArray verb = space < 0 ? line : line.left(space);
    const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);
    if (verb == "ack") {
        const QList<QByteArray> words = rest.split(' ');
        if (words[0] == "now")
            ack_ = Ack::Now;
        else if (words[0] == "never")
            ack_ = Ack::Never;
        else if (words[0] == "twice")
            ack_ = Ack::Twice;
        else if (words[0] == "late" && words.size() == 2) {
            ack_ = Ack::Late;
            lateMs_ = words[1].toInt();
        }
    } else if (verb == "sendack") {
        reply(kAck);
    } else if (verb == "heart") {
        reply(kHeart);
    } else if (verb == "heartbeat") {
        const int ms = rest.toInt();
        if (ms > 0)
            heartbeat_.start(ms);
        else
            heartbeat_.stop();
    } else if (verb == "reline") {
        reply(kReline);
    } else if (verb == "session") {
        const int sp = rest.indexOf(' ');
        const QByteArray id = sp < 0 ? rest : rest.left(sp);
        const QByteArray body = sp < 0 ? QByteArray() : UnescapeLine(rest.mid(sp + 1));
        reply("POST /session/ HTTP/1.1\r\nSessionId: " + id + "\r\n\r\n" + body);
    } else if (verb == "flood") {
        const QList<QByteArray> w = rest.split(' ');
        startFlood(w.value(0).toInt(), w.value(1).toInt(), w.value(2).toInt());
    } else if (verb == "products") {
        const QList<QByteArray> w = rest.split(' ');
        startProducts(w.value(0).toInt(), qMax(1, w.value(1).toInt()), w.value(2).toInt());
    } else if (verb == "raw") {
        reply(UnescapeLine(rest));
    } else if (verb == "split") {
        splitMs_ = rest.toInt();
    } else if (verb == "hold") {
        holding_ = true;
    } else if (verb == "flush") {
        holding_ = false;
        const QByteArray all = held_;
        held_.clear();
        if (!all.isEmpty())
            writeOut(all);
    } else if (verb == "stopread") {
        reading_ = false;
        socket_.setReadBufferSize(1);  // the kernel buffers fill and the server's writes back up
    } else if (verb == "read") {
        reading_ = true;
        socket_.setReadBufferSize(0);
        onReadyRead();
    } else if (verb == "vanish") {
        vanishAtNextFrame_ = true;
    } else if (verb == "close") {
        socket_.disconnectFromHost();
    } else if (verb == "exit") {
        ended_ = true;
        socket_.abort();
        QCoreApplication::exit(0);
    } else if (!verb.isEmpty()) {
        log("unknown " + EscapeLine(line));
    }
}
