// scripts/sanitize builds this with ThreadSanitizer and runs it with and without the shim of
// tsan-qtlocks.cpp. Run bare, every value is handed between threads only through Qt's locks, a
// posted event, a queued call or a thread pool, so with the shim no race may be reported, and
// without it some must be (else the check proves nothing). A Qt whose names or calls changed fails
// here, not as a flood of false races in the program. Run with "race", "emit" or "pool", it plants
// a race the shim must leave visible: threads that share no lock, a signal nobody receives
// followed by an unrelated event, a task of one pool followed by another pool's waitForDone().
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMutex>
#include <QReadWriteLock>
#include <QSemaphore>
#include <QThreadPool>
#include <QWaitCondition>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

int underMutex = 0;
int afterWait = 0;
int afterTimedWait = 0;
int afterSemaphore = 0;
int underWriteLock = 0;
int inEvent = 0;
int inPool[4] = {};
int inQueuedSignal = 0;
int inQueuedCall = 0;
int planted = 0;
// Relaxed: orders the planted cases in time without ordering them for the sanitizer.
std::atomic<int> plantedDone{0};

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

// What moc's code for a signal does: QObject::destroyed(QObject*), emitted by the program.
void EmitDestroyed(QObject* sender)
{
    QObject* arg = sender;
    void* argv[] = {nullptr, &arg};
    QMetaObject::activate(sender, &QObject::staticMetaObject, 0, argv);
}

void WaitPlanted()
{
    while (!plantedDone.load(std::memory_order_relaxed))
        std::this_thread::yield();
}

void PlantedRead()
{
    std::printf("%d\n", planted);
}

// Two threads that each take a lock of their own.
int RaceWithoutSharedLock()
{
    QMutex theirs;
    QMutex ours;
    std::thread other([&theirs] {
        theirs.lock();
        planted = 1;
        theirs.unlock();
        plantedDone.store(1, std::memory_order_relaxed);
    });
    WaitPlanted();
    ours.lock();
    PlantedRead();
    ours.unlock();
    other.join();
    return 0;
}

// A signal emitted with no receiver, then an event posted and delivered on the main thread.
int RaceAfterEmitWithNoReceiver(Application& app)
{
    QObject lonely;
    std::thread other([&lonely] {
        planted = 1;
        EmitDestroyed(&lonely);
        plantedDone.store(1, std::memory_order_relaxed);
    });
    WaitPlanted();
    struct Reader : QObject {
        bool event(QEvent* e) override
        {
            if (e->type() != QEvent::User)
                return QObject::event(e);
            PlantedRead();
            QCoreApplication::quit();
            return true;
        }
    } reader;
    QCoreApplication::postEvent(&reader, new QEvent(QEvent::User));
    app.exec();
    other.join();
    return 0;
}

// A task of one pool, then another pool's waitForDone().
int RaceAcrossPools()
{
    QThreadPool writer;
    QThreadPool waited;
    writer.start([] { planted = 1; });
    while (writer.activeThreadCount() > 0)  // counted under Qt's own lock, out of the sanitizer's sight
        std::this_thread::yield();
    waited.start([] {});
    waited.waitForDone();
    PlantedRead();
    writer.waitForDone();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // GLib's event loop writes a descriptor at every post, which orders each post before the
    // next wake for the sanitizer, shim or not; Qt's own loop writes it once till the next wake.
    qputenv("QT_NO_GLIB", "1");
    Application app(argc, argv);
    if (argc > 1 && !std::strcmp(argv[1], "race"))
        return RaceWithoutSharedLock();
    if (argc > 1 && !std::strcmp(argv[1], "emit"))
        return RaceAfterEmitWithNoReceiver(app);
    if (argc > 1 && !std::strcmp(argv[1], "pool"))
        return RaceAcrossPools();
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

    // A queued signal from a sender of another thread, a call queued to the main thread, and a
    // posted event that ends the loop: one thread posts them all, so they come in that order. The
    // first post wakes the main thread through a descriptor the sanitizer sees; only the shim may
    // order what follows, all queued before the loop starts.
    QObject sender;
    QObject slotContext;
    QObject callContext;
    QObject::connect(&sender, &QObject::destroyed, &slotContext, [&sum] { sum += inQueuedSignal; },
                     Qt::QueuedConnection);
    Receiver receiver;
    QObject waker;
    std::thread poster([&] {
        QCoreApplication::postEvent(&waker, new QEvent(QEvent::None));
        inQueuedSignal = 1;
        EmitDestroyed(&sender);
        inQueuedCall = 1;
        QMetaObject::invokeMethod(&callContext, [&sum] { sum += inQueuedCall; }, Qt::QueuedConnection);
        inEvent = 42;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        plantedDone.store(1, std::memory_order_relaxed);
    });
    WaitPlanted();
    app.exec();
    poster.join();
    return sum == 6 && underMutex == 2000 ? 0 : 1;
}
