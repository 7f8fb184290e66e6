// Preloaded beside a ThreadSanitizer build by scripts/sanitize: the distribution's Qt is not
// instrumented, and QMutex, QSemaphore and QReadWriteLock wait on futexes the sanitizer does not
// see, so every value they guard would look unsynchronised. Each call the program makes into them
// is passed on to Qt and told to the sanitizer as the acquire or release it is; so are posted events,
// queued calls and thread-pool tasks, each on its own object. Processes without the sanitizer
// (shells, the X server) load it too: the sanitizer's entry points are weak.
#include <dlfcn.h>

#include <functional>
#include <memory>
#include <utility>

extern "C" {
void __tsan_acquire(void* addr) __attribute__((weak));
void __tsan_release(void* addr) __attribute__((weak));
}

namespace {

void Acquire(void* addr)
{
    if (__tsan_acquire && addr)
        __tsan_acquire(addr);
}

void Release(void* addr)
{
    if (__tsan_release && addr)
        __tsan_release(addr);
}

template <typename F>
F Next(F, const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// QWaitCondition::wait lets its lock go and takes it again inside Qt: both ends are told here.
template <typename F, typename Lock, typename Arg>
bool Wait(F real, void* cond, Lock* lock, Arg arg)
{
    Release(lock);
    const bool woken = real(cond, lock, arg);
    Acquire(lock);
    Acquire(cond);
    return woken;
}

// QEvent::t (a quint16) and QAbstractMetaCallEvent::sender_ in Qt 5.15 on x86-64; the self-check
// fails with a Qt laid out otherwise.
constexpr int kEventType = 16;
constexpr int kMetaCallSender = 24;
constexpr unsigned short kMetaCall = 43;

void* CalledOn(void* object)
{
    return object ? static_cast<char*>(object) + 1 : nullptr;
}

void Delivered(void* receiver, void* event)
{
    if (!event)
        return;
    Acquire(event);
    const auto* bytes = static_cast<const char*>(event);
    if (*reinterpret_cast<const unsigned short*>(bytes + kEventType) != kMetaCall)
        return;
    void* sender = *reinterpret_cast<void* const*>(bytes + kMetaCallSender);
    Acquire(sender ? sender : CalledOn(receiver));
}

// A task for a pool, told on the box that keeps it and, once run, on its pool.
std::function<void()> Told(void* pool, std::shared_ptr<std::function<void()>> task)
{
    Release(task.get());
    return [pool, task] {
        Acquire(task.get());
        (*task)();
        Release(pool);
    };
}

} // namespace

// The Itanium names of the exported members, as plain functions taking `this` first.
#define REAL(fn, type) static const auto real = Next(static_cast<type>(nullptr), fn)

extern "C" {

void _ZN6QMutex4lockEv(void* m)
{
    REAL("_ZN6QMutex4lockEv", void (*)(void*));
    real(m);
    Acquire(m);
}

bool _ZN6QMutex7tryLockEi(void* m, int timeout)
{
    REAL("_ZN6QMutex7tryLockEi", bool (*)(void*, int));
    const bool got = real(m, timeout);
    if (got)
        Acquire(m);
    return got;
}

void _ZN6QMutex6unlockEv(void* m)
{
    REAL("_ZN6QMutex6unlockEv", void (*)(void*));
    Release(m);
    real(m);
}

// QBasicMutex's slow paths (its fast paths are inline atomics the sanitizer sees).
void _ZN11QBasicMutex12lockInternalEv(void* m)
{
    REAL("_ZN11QBasicMutex12lockInternalEv", void (*)(void*));
    real(m);
    Acquire(m);
}

bool _ZN11QBasicMutex12lockInternalEi(void* m, int timeout)
{
    REAL("_ZN11QBasicMutex12lockInternalEi", bool (*)(void*, int));
    const bool got = real(m, timeout);
    if (got)
        Acquire(m);
    return got;
}

void _ZN11QBasicMutex14unlockInternalEv(void* m)
{
    REAL("_ZN11QBasicMutex14unlockInternalEv", void (*)(void*));
    Release(m);
    real(m);
}

void _ZN10QSemaphore7acquireEi(void* s, int n)
{
    REAL("_ZN10QSemaphore7acquireEi", void (*)(void*, int));
    real(s, n);
    Acquire(s);
}

bool _ZN10QSemaphore10tryAcquireEi(void* s, int n)
{
    REAL("_ZN10QSemaphore10tryAcquireEi", bool (*)(void*, int));
    const bool got = real(s, n);
    if (got)
        Acquire(s);
    return got;
}

bool _ZN10QSemaphore10tryAcquireEii(void* s, int n, int timeout)
{
    REAL("_ZN10QSemaphore10tryAcquireEii", bool (*)(void*, int, int));
    const bool got = real(s, n, timeout);
    if (got)
        Acquire(s);
    return got;
}

void _ZN10QSemaphore7releaseEi(void* s, int n)
{
    REAL("_ZN10QSemaphore7releaseEi", void (*)(void*, int));
    Release(s);
    real(s, n);
}

void _ZN14QReadWriteLock11lockForReadEv(void* l)
{
    REAL("_ZN14QReadWriteLock11lockForReadEv", void (*)(void*));
    real(l);
    Acquire(l);
}

void _ZN14QReadWriteLock12lockForWriteEv(void* l)
{
    REAL("_ZN14QReadWriteLock12lockForWriteEv", void (*)(void*));
    real(l);
    Acquire(l);
}

bool _ZN14QReadWriteLock14tryLockForReadEv(void* l)
{
    REAL("_ZN14QReadWriteLock14tryLockForReadEv", bool (*)(void*));
    const bool got = real(l);
    if (got)
        Acquire(l);
    return got;
}

bool _ZN14QReadWriteLock14tryLockForReadEi(void* l, int timeout)
{
    REAL("_ZN14QReadWriteLock14tryLockForReadEi", bool (*)(void*, int));
    const bool got = real(l, timeout);
    if (got)
        Acquire(l);
    return got;
}

bool _ZN14QReadWriteLock15tryLockForWriteEv(void* l)
{
    REAL("_ZN14QReadWriteLock15tryLockForWriteEv", bool (*)(void*));
    const bool got = real(l);
    if (got)
        Acquire(l);
    return got;
}

bool _ZN14QReadWriteLock15tryLockForWriteEi(void* l, int timeout)
{
    REAL("_ZN14QReadWriteLock15tryLockForWriteEi", bool (*)(void*, int));
    const bool got = real(l, timeout);
    if (got)
        Acquire(l);
    return got;
}

void _ZN14QReadWriteLock6unlockEv(void* l)
{
    REAL("_ZN14QReadWriteLock6unlockEv", void (*)(void*));
    Release(l);
    real(l);
}

// QDeadlineTimer's layout; it is trivially copyable, so it travels in registers by value.
struct Deadline {
    long long t1;
    unsigned t2;
    int type;
};

bool _ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer(void* c, void* m, Deadline deadline)
{
    REAL("_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer", bool (*)(void*, void*, Deadline));
    return Wait(real, c, m, deadline);
}

bool _ZN14QWaitCondition4waitEP6QMutexm(void* c, void* m, unsigned long ms)
{
    REAL("_ZN14QWaitCondition4waitEP6QMutexm", bool (*)(void*, void*, unsigned long));
    return Wait(real, c, m, ms);
}

bool _ZN14QWaitCondition4waitEP14QReadWriteLock14QDeadlineTimer(void* c, void* l, Deadline deadline)
{
    REAL("_ZN14QWaitCondition4waitEP14QReadWriteLock14QDeadlineTimer", bool (*)(void*, void*, Deadline));
    return Wait(real, c, l, deadline);
}

bool _ZN14QWaitCondition4waitEP14QReadWriteLockm(void* c, void* l, unsigned long ms)
{
    REAL("_ZN14QWaitCondition4waitEP14QReadWriteLockm", bool (*)(void*, void*, unsigned long));
    return Wait(real, c, l, ms);
}

void _ZN14QWaitCondition7wakeOneEv(void* c)
{
    REAL("_ZN14QWaitCondition7wakeOneEv", void (*)(void*));
    Release(c);
    real(c);
}

void _ZN14QWaitCondition7wakeAllEv(void* c)
{
    REAL("_ZN14QWaitCondition7wakeAllEv", void (*)(void*));
    Release(c);
    real(c);
}

// Events and queued calls: Qt's event queues hand them to the receiving thread under locks of
// its own. Each handover is told on its own object, so that unrelated threads stay unordered:
// an event the program posts is released on the event and acquired on it at its delivery. A
// queued call is posted inside Qt, out of sight: a signal emitted by the program is released on
// its sender and a call invoked on an object on that object (one byte in, not to meet the
// sender's key), and the delivery of a queued call acquires the one it came from.
void _ZN16QCoreApplication9postEventEP7QObjectP6QEventi(void* receiver, void* event, int priority)
{
    REAL("_ZN16QCoreApplication9postEventEP7QObjectP6QEventi", void (*)(void*, void*, int));
    Release(event);
    real(receiver, event, priority);
}

void _ZN11QMetaObject8activateEP7QObjectiPPv(void* sender, int signal, void** argv)
{
    REAL("_ZN11QMetaObject8activateEP7QObjectiPPv", void (*)(void*, int, void**));
    Release(sender);
    real(sender, signal, argv);
}

void _ZN11QMetaObject8activateEP7QObjectPKS_iPPv(void* sender, const void* meta, int signal, void** argv)
{
    REAL("_ZN11QMetaObject8activateEP7QObjectPKS_iPPv", void (*)(void*, const void*, int, void**));
    Release(sender);
    real(sender, meta, signal, argv);
}

void _ZN11QMetaObject8activateEP7QObjectiiPPv(void* sender, int from, int to, void** argv)
{
    REAL("_ZN11QMetaObject8activateEP7QObjectiiPPv", void (*)(void*, int, int, void**));
    Release(sender);
    real(sender, from, to, argv);
}

bool _ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
    void* object, void* slot, int type, void* ret)
{
    REAL("_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv",
         bool (*)(void*, void*, int, void*));
    Release(CalledOn(object));
    return real(object, slot, type, ret);
}

// QGenericArgument and QGenericReturnArgument: two pointers, trivially copyable.
struct Arg {
    const void* data;
    const char* name;
};

bool _ZNK11QMetaMethod6invokeEP7QObjectN2Qt14ConnectionTypeE22QGenericReturnArgument16QGenericArgumentS5_S5_S5_S5_S5_S5_S5_S5_S5_(
    const void* method, void* object, int type, Arg ret, Arg a0, Arg a1, Arg a2, Arg a3, Arg a4, Arg a5, Arg a6,
    Arg a7, Arg a8, Arg a9)
{
    REAL("_ZNK11QMetaMethod6invokeEP7QObjectN2Qt14ConnectionTypeE22QGenericReturnArgument16QGenericArgumentS5_S5_S5_S5_S5_S5_S5_S5_S5_",
         bool (*)(const void*, void*, int, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg));
    Release(CalledOn(object));
    return real(method, object, type, ret, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9);
}

bool _ZN16QCoreApplication6notifyEP7QObjectP6QEvent(void* app, void* receiver, void* event)
{
    REAL("_ZN16QCoreApplication6notifyEP7QObjectP6QEvent", bool (*)(void*, void*, void*));
    Delivered(receiver, event);
    return real(app, receiver, event);
}

bool _ZN12QApplication6notifyEP7QObjectP6QEvent(void* app, void* receiver, void* event)
{
    REAL("_ZN12QApplication6notifyEP7QObjectP6QEvent", bool (*)(void*, void*, void*));
    Delivered(receiver, event);
    return real(app, receiver, event);
}

// Thread pools take their tasks and report them done under locks of their own: a task given to
// the pool runs after its start (told on the task), and a waitForDone() that returns comes after
// the tasks of that pool that ran (told on the pool).
void _ZN11QThreadPool5startESt8functionIFvvEEi(void* pool, std::function<void()>* task, int priority)
{
    REAL("_ZN11QThreadPool5startESt8functionIFvvEEi", void (*)(void*, std::function<void()>*, int));
    std::function<void()> told = Told(pool, std::make_shared<std::function<void()>>(std::move(*task)));
    real(pool, &told, priority);
}

bool _ZN11QThreadPool8tryStartESt8functionIFvvEE(void* pool, std::function<void()>* task)
{
    REAL("_ZN11QThreadPool8tryStartESt8functionIFvvEE", bool (*)(void*, std::function<void()>*));
    // Not taken: the caller keeps its task.
    std::function<void()> told = Told(pool, std::make_shared<std::function<void()>>(*task));
    return real(pool, &told);
}

bool _ZN11QThreadPool11waitForDoneEi(void* pool, int ms)
{
    REAL("_ZN11QThreadPool11waitForDoneEi", bool (*)(void*, int));
    const bool done = real(pool, ms);
    Acquire(pool);
    return done;
}

} // extern "C"
