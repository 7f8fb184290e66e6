#pragma once
// A private X server (Xvfb, 1920 x 1080) for end-to-end runs of the real program, touched through
// xdotool: touches, drags, the question box's buttons and screenshots.
#include <functional>

#include <QImage>
#include <QList>
#include <QPair>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

class XScreen {
public:
    ~XScreen();

    // Both tools are installed (tests skip without them).
    static bool Available();
    // Starts the server on a free display number, another one when it does not come up.
    bool Start();
    // Ends the programs this test process started on the server first, then the server: a
    // program never sees its display go unless a test means it to.
    void Stop();
    // The server dies under its programs (SIGKILL), as a display that goes away.
    void Vanish();
    QString display() const { return display_; }
    bool running() const;

    QString XDo(const QStringList& args);
    // Touches `p`, then waits `settleMs` while `idle` runs every 50 ms (a test drains the pipes of
    // its helpers there).
    void Touch(QPoint p, int settleMs = 600);
    void Drag(QPoint from, QPoint to);
    void Settle(int ms);
    std::function<void()> idle;

    // The visible window smaller than the screen (a question or message box), null when none.
    QRect Box();
    // Yes and No are the left and right buttons of the box's lower third.
    static QPoint YesOf(const QRect& box) { return {box.x() + box.width() * 44 / 100, box.y() + box.height() * 67 / 100}; }
    static QPoint NoOf(const QRect& box) { return {box.x() + box.width() * 78 / 100, box.y() + box.height() * 67 / 100}; }

    QImage Grab();
    // Waits up to `ms` until every point shows its colour (a page shown, a panel out); `seen` gets
    // the colours of the last look as "#RRGGBB".
    bool WaitForPixels(const QList<QPair<QPoint, QRgb>>& want, int ms, QStringList* seen = nullptr);
    // Saves the screen as <name>.png in the folder MOULDMON_E2E_SHOTS names (nothing without it).
    void Shot(const QString& name);

private:
    // Children of this process whose environment names this display.
    QList<qint64> Clients() const;
    void StopClients();

    QProcess xvfb_;
    QString display_;
};
