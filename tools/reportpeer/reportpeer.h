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
};
