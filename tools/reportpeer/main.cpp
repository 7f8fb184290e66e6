// reportpeer: a report client for tests.
//
//   reportpeer [--port N] [--heartbeat MS] [--reconnect]
//
// Connects to 127.0.0.1:N (default 8890, retrying until the server listens) and prints one line
// per event on stdout: "<ms since start> connected", "<ms> frame <frame>", "<ms> sent <reply>",
// "<ms> closed" (frames and replies with "\\", "\r", "\n" escaped). It sends a heartbeat every
// MS ms (default 30000; 0 none). Without --reconnect it exits when the server closes the link.
// Commands on stdin, one a line:
//   ack now|never|twice|late MS   how to acknowledge each frame from now on
//   sendack                       one acknowledge now
//   heart | heartbeat MS          one heartbeat now | every MS ms (0 stops)
//   reline                        a re-link request
//   session ID BODY               a reply with "SessionId: ID" and BODY (escapes allowed)
//   raw TEXT                      TEXT as it is (escapes allowed)
//   flood MS [JUNK EVERY]         heartbeats as fast as the link takes them for MS ms, with a
//                                 burst of JUNK junk bytes every EVERY ms; logs "flood ..." after
//   products N EVERY MS           a product list (SessionId 14) of N names every EVERY ms for MS
//                                 ms; logs "products <replies>" after
//   split MS                      send each reply in two halves MS ms apart (0: whole)
//   hold | flush                  collect replies | send what was collected in one write
//   stopread | read               stop reading the socket | read again
//   vanish                        drop the link at the next frame without acknowledging it
//   close | exit                  close the link | leave at once
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>

#include "reportpeer.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    quint16 port = 8890;
    int heartbeatMs = 30000;
    bool reconnect = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--port" && i + 1 < args.size())
            port = quint16(args[++i].toUInt());
        else if (args[i] == "--heartbeat" && i + 1 < args.size())
            heartbeatMs = args[++i].toInt();
        else if (args[i] == "--reconnect")
            reconnect = true;
    }
    ReportPeer peer(port, reconnect, heartbeatMs);

    QByteArray input;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            stdinNotifier.setEnabled(false);  // stdin closed: keep running on the link
            return;
        }
        input.append(buf, int(n));
        int nl;
        while ((nl = input.indexOf('\n')) >= 0) {
            const QByteArray line = input.left(nl);
            input.remove(0, nl + 1);
            peer.command(line);
        }
    });
    return app.exec();
}
