// scripts/sanitize builds this with ThreadSanitizer and runs it with and without the shim of
// tsan-qtlocks.cpp: every value here is handed between threads only through Qt's locks, a posted
// event or a thread pool, so with the shim no race may be reported, and without it some must be
// (else the check proves nothing). A Qt whose names or calls changed fails here, not as a flood
// of false races in the program.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMutex>
#include <QReadWriteLock>
#include <QSemaphore>
#include <QThreadPool>
#include <QWaitCondition>
#include <cstdio>
#include <thread>

namespace {

int underMutex = 0;
int afterWait = 0;
int afterTimedWait = 0;
int afterSemaphore = 0;
int underWriteLock = 0;
int inEvent = 0;
int inPool[4] = {};

QMutex mutex;
QWaitCondition woken;
bool ready = false;
bool timedReady = false;
QSemaphore semaphore;
QReadWriteLock rwLock;

struct Receiver : QObject {
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        std::printf("%d\n", inEvent);  // written by the poster before posting
        QCoreApplication::quit();
        return true;
    }
};

// As the program's application does: its own notify() passes each event on to Qt's.
struct Application : QCoreApplication {
    using QCoreApplication::QCoreApplication;
    bool notify(QObject* receiver, QEvent* event) override { return QCoreApplication::notify(receiver, event); }
};

} // namespace

int main(int argc, char** argv)
{
    Application app(argc, argv);
    std::thread other([] {
        for (int i = 0; i < 1000; ++i) {
            mutex.lock();
            ++underMutex;
            mutex.unlock();
        }
        afterWait = 1;
        mutex.lock();
        ready = true;
        woken.wakeAll();
        mutex.unlock();
        afterTimedWait = 1;
        mutex.lock();
        timedReady = true;
        woken.wakeOne();
        mutex.unlock();
        afterSemaphore = 1;
        semaphore.release();
        rwLock.lockForWrite();
        underWriteLock = 1;
        rwLock.unlock();
    });
    for (int i = 0; i < 1000; ++i) {
        mutex.lock();
        ++underMutex;
        mutex.unlock();
    }
    mutex.lock();
    while (!ready)
        woken.wait(&mutex);
    mutex.unlock();
    int sum = afterWait;
    mutex.lock();
    while (!timedReady)
        woken.wait(&mutex, QDeadlineTimer(1000));
    mutex.unlock();
    sum += afterTimedWait;
    semaphore.acquire();
    sum += afterSemaphore;
    other.join();
    rwLock.lockForRead();
    sum += underWriteLock;
    rwLock.unlock();

    QThreadPool pool;
    pool.setMaxThreadCount(2);
    pool.setExpiryTimeout(-1);
    for (int round = 1; round <= 20; ++round) {
        for (int& v : inPool)
            v = round;
        for (int k = 0; k < 4; ++k)
            pool.start([k] { inPool[k] = -inPool[k]; });
        pool.waitForDone();
        for (int v : inPool)
            sum += v == -round ? 0 : 1000;
    }

    Receiver receiver;
    std::thread poster([&receiver] {
        inEvent = 42;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    });
    app.exec();
    poster.join();
    return sum == 4 && underMutex == 2000 ? 0 : 1;
}
