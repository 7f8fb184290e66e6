#pragma once
// Once a minute, starts the copy script of a stick mounted on /mnt (/mnt/autocopy-moju.py),
// unless its previous run is still going.
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

    const QMap<int, QString>& timers() const { return timers_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    QMap<int, QString> timers_;
    qint64 copyPid_ = 0;  // the script's last run; 0 when none is known
};
