#pragma once
// A report client for tests: connects to the report server, logs every frame it receives with its
// time and answers as told on stdin (see main.cpp for the commands).
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include "peerlog.h"

class QSocketNotifier;

class ReportPeer : public QObject {
    Q_OBJECT
public:
    enum class Ack { Now, Late, Never, Twice };

    ReportPeer(quint16 port, bool reconnect, int heartbeatMs, QObject* parent = nullptr);
    // One stdin command line.
    void command(const QByteArray& line);

private:
    void connectToServer();
    void onReadyRead();
    void onFrame(const QByteArray& header, const QByteArray& body);
    void reply(const QByteArray& bytes);
    void writeOut(const QByteArray& bytes);
    void log(const QByteArray& what);
    void onDisconnected();
    // Floods: heartbeats as fast as the link takes them with junk bursts, product lists.
    void floodStep();
    void startFlood(int ms, int junkBytes, int junkEveryMs);
    void startProducts(int names, int everyMs, int ms);

    quint16 port_;
    bool reconnect_;
    QTcpSocket socket_;
    QElapsedTimer clock_;
    QByteArray pending_;
    Ack ack_ = Ack::Now;
    int lateMs_ = 0;
    QTimer heartbeat_;
    int splitMs_ = 0;
    bool holding_ = false;
    QByteArray held_;
    bool reading_ = true;
    bool vanishAtNextFrame_ = false;
    bool ended_ = false;
    QTimer flood_;
    QTimer junk_;
    QTimer products_;
    qint64 floodEndMs_ = 0, productsEndMs_ = 0;
    int junkBytes_ = 0;
    qint64 floodHearts_ = 0, floodJunk_ = 0, productReplies_ = 0;
    QByteArray productReply_;
    quint32 seed_ = 12345;
};
