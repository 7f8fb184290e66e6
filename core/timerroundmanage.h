#pragma once
// Once a minute, looks for the copy script of a stick mounted on /mnt (/mnt/autocopy-moju.py) and
// starts it once per insertion: not again while the same stick stays mounted, nor while its
// previous run is still going.
#include <QMap>
#include <QObject>
#include <QString>

class QTimerEvent;

class TimerRoundManage : public QObject {
    Q_OBJECT
public:
    explicit TimerRoundManage(QObject* parent = nullptr);
    ~TimerRoundManage() override;

    static TimerRoundManage* __instance;

    void init();
    void startCopy();
    void slotCopy();
    // What tells one insertion from the next: the mount on /mnt (its mount id and device, which
    // a new mount changes) and the script file (device, inode, change time).
    static QString InsertionKey(const QString& script);

    const QMap<int, QString>& timers() const { return timers_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    QMap<int, QString> timers_;
    qint64 copyPid_ = 0;  // the script's last run; 0 when none is known
    QString ranFor_;      // the insertion the script last ran for; empty: none since it was seen gone
};
