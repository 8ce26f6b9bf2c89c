// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Qt here is built without ThreadSanitizer and orders its threads with bare futexes, which the
// sanitizer cannot see. Calls from our code and from the other Qt libraries to the exported
// functions below reach these definitions first; each passes on to Qt's own and tells the
// sanitizer what ordering Qt gives. Qt's calls inside its core library stay unseen, so queued
// signals are shown through Qt's hooks for signals and events instead.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMutex>
#include <QSemaphore>
#include <QThread>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

// As Qt's private headers declare it.
struct QSignalSpyCallbackSet
{
    using BeginCallback = void (*)(QObject *caller, int index, void **argv);
    using EndCallback = void (*)(QObject *caller, int index);
    BeginCallback signal_begin_callback, slot_begin_callback;
    EndCallback signal_end_callback, slot_end_callback;
};
Q_CORE_EXPORT void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet *callback_set);

namespace {

template <typename Function> Function next(const char *mangled)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, mangled));
}

// One point for every hand-off through Qt's event queues: whatever a thread did before it
// emitted a signal comes before every queued call delivered after that.
char handOff;

void signalBegins(QObject *, int, void **)
{
    __tsan_release(&handOff);
}

bool eventArrives(void **data)
{
    if (static_cast<QEvent *>(data[1])->type() == QEvent::MetaCall)
        __tsan_acquire(&handOff);
    return false; // delivered as usual
}

QSignalSpyCallbackSet spyCallbacks{signalBegins, nullptr, nullptr, nullptr};

// A thread's last signal, finished(), comes before a wait for it that returns true.
bool waited(bool finished)
{
    if (finished)
        __tsan_acquire(&handOff);
    return finished;
}

// A call handed to another thread by QMetaObject::invokeMethod: what the caller did before
// comes before the call; with Qt::BlockingQueuedConnection, the call comes before the return.
class HandedCall : public QtPrivate::QSlotObjectBase
{
public:
    explicit HandedCall(QtPrivate::QSlotObjectBase *call) : QSlotObjectBase(&run), m_call(call) {}

private:
    static void run(int which, QSlotObjectBase *self, QObject *receiver, void **args, bool *)
    {
        auto *handed = static_cast<HandedCall *>(self);
        if (which == Destroy) {
            __tsan_acquire(&handOff); // the caller may drop it once a blocking call ran
            handed->m_call->destroyIfLastRef();
            delete handed;
        } else if (which == Call) {
            handed->m_call->call(receiver, args);
            __tsan_release(&handOff);
        }
    }

    QtPrivate::QSlotObjectBase *m_call;
};

const bool registered = [] {
    qt_register_signal_spy_callbacks(&spyCallbacks);
    return QInternal::registerCallback(QInternal::EventNotifyCallback, eventArrives);
}();

} // namespace

bool QMetaObject::invokeMethodImpl(QObject *object, QtPrivate::QSlotObjectBase *slot,
                                   Qt::ConnectionType type, void *ret)
{
    static const auto real =
        next<bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *)>(
            "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14Connec"
            "tionTypeEPv");
    auto *handed = new HandedCall(slot);
    __tsan_release(&handOff);
    const bool invoked = real(object, handed, type, ret);
    if (type == Qt::BlockingQueuedConnection)
        __tsan_acquire(&handOff);
    return invoked;
}

void QMutex::lock() noexcept
{
    static const auto real = next<void (*)(QMutex *)>("_ZN6QMutex4lockEv");
    real(this);
    __tsan_acquire(this);
}

bool QMutex::tryLock(int timeout) noexcept
{
    static const auto real = next<bool (*)(QMutex *, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = real(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const auto real = next<void (*)(QMutex *)>("_ZN6QMutex6unlockEv");
    __tsan_release(this);
    real(this);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    static const auto real =
        next<bool (*)(QThread *, QDeadlineTimer)>("_ZN7QThread4waitE14QDeadlineTimer");
    return waited(real(this, deadline));
}

bool QThread::wait(unsigned long time)
{
    static const auto real = next<bool (*)(QThread *, unsigned long)>("_ZN7QThread4waitEm");
    return waited(real(this, time));
}

void QSemaphore::acquire(int n)
{
    static const auto real = next<void (*)(QSemaphore *, int)>("_ZN10QSemaphore7acquireEi");
    real(this, n);
    __tsan_acquire(this);
}

bool QSemaphore::tryAcquire(int n)
{
    static const auto real = next<bool (*)(QSemaphore *, int)>("_ZN10QSemaphore10tryAcquireEi");
    const bool acquired = real(this, n);
    if (acquired)
        __tsan_acquire(this);
    return acquired;
}

bool QSemaphore::tryAcquire(int n, int timeout)
{
    static const auto real =
        next<bool (*)(QSemaphore *, int, int)>("_ZN10QSemaphore10tryAcquireEii");
    const bool acquired = real(this, n, timeout);
    if (acquired)
        __tsan_acquire(this);
    return acquired;
}

void QSemaphore::release(int n)
{
    static const auto real = next<void (*)(QSemaphore *, int)>("_ZN10QSemaphore7releaseEi");
    __tsan_release(this);
    real(this, n);
}
