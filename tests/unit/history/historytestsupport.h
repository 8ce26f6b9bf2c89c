// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/bootclock.h"
#include "history/usedata.h"
#include "historyfile.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <functional>

namespace HistoryTest {

using Sample = HistoryRow;
using FlowFile = HistoryFile;

// Points HOME at a new empty directory, so that no test can reach the real user's files.
inline void useFreshHome()
{
    static QScopedPointer<QTemporaryDir> home;
    home.reset(new QTemporaryDir);
    qputenv("HOME", home->path().toLocal8Bit());
}

inline QString databasePath()
{
    return HistoryFile::defaultPath();
}

inline void setLastModified(const QDateTime &moment)
{
    QFile file(databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.setFileTime(moment, QFileDevice::FileModificationTime));
}

inline void setBoot(const QString &bootId, qint64 sinceBootMs)
{
    BootClock::setSource([=] { return BootClock::Reading{bootId, sinceBootMs}; });
}

// The wall clock at `now`, in one boot whose clock moves with it.
inline void setNow(const QDateTime &now)
{
    Clock::setNowSource([now] { return now; });
    setBoot(QStringLiteral("test boot"), now.toMSecsSinceEpoch());
}

// Each record as "appname|sname|date|downloaded|uploaded|total", amounts to the last bit.
inline QStringList describe(const QList<AppFlowDateParameter> &records)
{
    QStringList described;
    for (const AppFlowDateParameter &r : records)
        described.append(
            QStringList({r.appname, r.sname, r.date, QString::number(r.downloaded, 'g', 17),
                         QString::number(r.uploaded, 'g', 17), QString::number(r.total, 'g', 17)})
                .join('|'));
    return described;
}

// One application's day answer without any traffic, described.
inline QStringList zeroHours(const QString &app)
{
    QStringList hours;
    for (int hour = 0; hour < 24; ++hour)
        hours.append(QString("%1||%2:00|0|0|0").arg(app).arg(hour, 2, 10, QChar('0')));
    return hours;
}

// Collects every log line of the process while it lives; read while the store's thread is idle.
struct LogCapture
{
    LogCapture()
    {
        // The store's thread may still be logging from the case before.
        QMutexLocker locker(&lock);
        lines.clear();
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                QMutexLocker locker(&lock);
                lines.append(message);
                previous(type, context, message);
            });
    }
    ~LogCapture()
    {
        QMutexLocker locker(&lock);
        qInstallMessageHandler(previous);
    }
    inline static QMutex lock;
    inline static QStringList lines;
    inline static QtMessageHandler previous = nullptr;
};

// A store running in a thread of its own, as the service runs it.
struct StoreThread
{
    StoreThread()
    {
        store->moveToThread(&m_thread);
        m_thread.start();
    }
    ~StoreThread()
    {
        sync([this] { delete store; });
        m_thread.quit();
        m_thread.wait();
    }
    // Runs `work` with the process-wide lock held, as the collector does.
    void locked(const std::function<void(UseData *)> &work)
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        work(store);
    }
    // Returns once everything posted to the store's thread so far has run there.
    void sync(const std::function<void()> &there = [] {})
    {
        QMetaObject::invokeMethod(store, there, Qt::BlockingQueuedConnection);
    }
    // One save tick as the collector queues it: clear, one sample per entry, save.
    void queue(const QList<Sample> &samples)
    {
        locked([&](UseData *data) {
            data->enqueueDeleteFlowCacheData();
            for (const Sample &s : samples)
                data->enqueueSaveFlowCacheDataToLst(s.appname, s.sname, s.downloaded, s.uploaded);
            data->enqueueSaveFlowData();
        });
    }
    void save(const QList<Sample> &samples)
    {
        queue(samples);
        sync();
    }
    // Waits until `done` holds, checked each time the store's thread has run what was posted to
    // it; false after `ms`.
    bool waitUntil(const std::function<bool()> &done, int ms = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            sync();
            if (done())
                return true;
            QThread::msleep(10);
        }
        return false;
    }

    // Queues `work` under the lock and returns the names of the first `count` answers, in the
    // order they left.
    QStringList answerOrder(int count, const std::function<void(UseData *)> &work)
    {
        QStringList order;
        const QMetaObject::Connection recording = QObject::connect(
            store, &UseData::answered, store,
            [&order](const HistoryAnswer &answer) { order << answer.request.name(); },
            Qt::DirectConnection); // appended in the store's thread, read after sync
        locked(work);
        QStringList seen;
        waitUntil([&] {
            sync([&] { seen = order; });
            return seen.size() >= count;
        });
        QObject::disconnect(recording);
        return seen;
    }

    UseData *const store = new UseData;
    QThread m_thread;
};

// One of the eight period requests: all applications or one, a day or a month, this or the last.
struct Period
{
    FlowPeriod period;
    bool app, month, previous;
    HistoryRequest request(const QString &appname) const
    {
        constexpr auto retried = HistoryRequest::Answering::Retried;
        return app ? HistoryRequest::application(appname, period, retried)
                   : HistoryRequest::allApplications(period, retried);
    }
    bool asked(const HistoryAnswer &answer) const
    {
        return answer.request.all != app && answer.request.period == period;
    }
};
inline const Period kYesterday = {FlowPeriod::Yesterday, false, false, true};
inline const Period kToday = {FlowPeriod::Today, false, false, false};
inline const Period kLastMonth = {FlowPeriod::LastMonth, false, true, true};
inline const Period kThisMonth = {FlowPeriod::ThisMonth, false, true, false};
inline const Period kAppYesterday = {FlowPeriod::Yesterday, true, false, true};
inline const Period kAppToday = {FlowPeriod::Today, true, false, false};
inline const Period kAppLastMonth = {FlowPeriod::LastMonth, true, true, true};
inline const Period kAppThisMonth = {FlowPeriod::ThisMonth, true, true, false};

// Asks under the lock and returns the one answer, described; waits while the store builds sums.
inline QStringList ask(StoreThread &store, const HistoryRequest &request)
{
    QSignalSpy spy(store.store, &UseData::answered);
    store.locked([&](UseData *data) { data->request(request); });
    int answers = 0;
    store.waitUntil([&] {
        store.sync([&] { answers = spy.size(); }); // the spy records in the store's thread
        return answers > 0;
    });
    const HistoryAnswer answer = spy.value(0).value(0).value<HistoryAnswer>();
    if (answers != 1 || !answer.ok)
        return {QString("%1 answers, ok %2").arg(answers).arg(answer.ok)};
    return describe(answer.rows);
}

inline QStringList ask(StoreThread &store, const Period &period, const QString &app = QString())
{
    return ask(store, period.request(app));
}

// Whether the sums cover every row of the file.
inline bool sumsBuilt()
{
    return HistoryFile().values("SELECT complete FROM flowSumState") == QStringList("1");
}

} // namespace HistoryTest
