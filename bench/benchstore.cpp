// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "benchstore.h"

#include "datasets.h"
#include "history/usedata.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {
constexpr HistoryRequest::Answering kRetried = HistoryRequest::Answering::Retried;
} // namespace

BenchStore::BenchStore(const QString &databasePath)
    : m_databasePath(databasePath), m_store(new UseData)
{
    m_store->moveToThread(&m_thread);
    m_thread.start();
    QObject::connect(
        m_store, &UseData::answered, m_store, [this] { m_answered.release(); },
        Qt::DirectConnection);
}

BenchStore::~BenchStore()
{
    sync();
    QMetaObject::invokeMethod(
        m_store, [store = m_store] { delete store; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void BenchStore::sync()
{
    QMetaObject::invokeMethod(
        m_store, [] {}, Qt::BlockingQueuedConnection);
}

double BenchStore::queueAndWait(const std::function<void(UseData *)> &work, bool answered)
{
    QElapsedTimer timer;
    timer.start();
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        work(m_store);
    }
    if (answered)
        m_answered.acquire();
    else
        sync();
    return timer.nsecsElapsed() / 1e6;
}

double BenchStore::request(Answer answer, const QString &appname)
{
    return queueAndWait(
        [&](UseData *store) {
            const FlowPeriod period =
                answer == AllDay || answer == AppDay ? FlowPeriod::Today : FlowPeriod::ThisMonth;
            store->request(answer == AllDay || answer == AllMonth
                               ? HistoryRequest::allApplications(period, kRetried)
                               : HistoryRequest::application(appname, period, kRetried));
        },
        true);
}

double BenchStore::buildAlone()
{
    QElapsedTimer timer;
    timer.start();
    // A save opens the file and starts the build; it waits for nothing.
    save(20);
    return waitUntilSummed(timer);
}

BenchStore::Build BenchStore::buildWithAnswers(const QString &appname)
{
    Build build;
    QElapsedTimer timer;
    timer.start();
    const auto ask = [&] {
        const bool lastMonth = build.answers.size() % 2 == 1;
        build.answers.append({timer.nsecsElapsed() / 1e6, lastMonth, -1});
        QMutexLocker locker(&CMutex::instance()->mutex);
        m_store->request(HistoryRequest::application(
            appname, lastMonth ? FlowPeriod::LastMonth : FlowPeriod::ThisMonth, kRetried));
    };
    ask();
    build.buildMs = waitUntilSummed(timer, [&] {
        Asked &last = build.answers.last();
        if (last.answerMs < 0 && m_answered.tryAcquire())
            last.answerMs = timer.nsecsElapsed() / 1e6 - last.atMs;
        if (last.answerMs >= 0 && timer.nsecsElapsed() / 1e6 - last.atMs - last.answerMs >= 1000)
            ask();
    });
    Asked &last = build.answers.last();
    if (last.answerMs < 0) {
        m_answered.acquire();
        last.answerMs = timer.nsecsElapsed() / 1e6 - last.atMs;
    }
    return build;
}

double BenchStore::waitUntilSummed(const QElapsedTimer &timer,
                                   const std::function<void()> &meanwhile)
{
    double doneMs = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sums-state");
        db.setDatabaseName(m_databasePath);
        db.open();
        QSqlQuery state(db);
        for (bool complete = false; !complete; QThread::msleep(5)) {
            meanwhile();
            // Looked at seldom: each look holds the file for a moment.
            if (int(timer.elapsed() / 5) % 20 == 0) {
                complete = state.exec("SELECT complete FROM flowSumState") && state.next() &&
                           state.value(0).toBool();
                state.finish();
            }
        }
        doneMs = timer.nsecsElapsed() / 1e6;
        db.close();
    }
    QSqlDatabase::removeDatabase("sums-state");
    return doneMs;
}

static void queueSave(UseData *store, QVector<double> &totals, int applications, int round)
{
    if (totals.size() < applications)
        totals.resize(applications);
    store->enqueueDeleteFlowCacheData();
    for (int app = 0; app < applications; ++app) {
        totals[app] += 1000.0 / (app + round + 3);
        store->enqueueSaveFlowCacheDataToLst(applicationName(app), "bench", totals[app],
                                             totals[app] / 4);
    }
    store->enqueueSaveFlowData();
}

void BenchStore::keepModificationMonth()
{
    QFile file(m_databasePath);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(Clock::now(), QFileDevice::FileModificationTime);
}

double BenchStore::save(int applications)
{
    keepModificationMonth();
    ++m_round;
    return queueAndWait([&](UseData *store) { queueSave(store, m_totals, applications, m_round); },
                        false);
}

double BenchStore::tick(int applications, bool newMonth)
{
    if (!newMonth)
        keepModificationMonth();
    ++m_round;
    return queueAndWait(
        [&](UseData *store) {
            queueSave(store, m_totals, applications, m_round);
            store->request(HistoryRequest::allApplications(FlowPeriod::ThisMonth, kRetried));
        },
        true);
}
