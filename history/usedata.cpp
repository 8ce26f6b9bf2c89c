#include "history/usedata.h"

#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

namespace {
// A request that keeps failing is dropped after this many attempts, so the ones behind it run.
constexpr int kAttemptsPerRequest = 3;
// How long one slice of building sums or removing old rows may hold the lock, and the pause
// after it: the lock is not fair, and threads waiting for it must get their turn.
constexpr int kSummaryWorkMs = 50;
constexpr int kSummaryPauseMs = 10;
} // namespace

UseData::UseData(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<QList<AppFlowDateParameter>>("QList<AppFlowDateParameter>");
    qRegisterMetaType<SignalQueueEntry>("QPair<SignalQueueType, SignalQueFlow>");

    openDatabase();
    // The store's thread reopens the file on first use: a connection belongs to the thread
    // that made it, and this one is about to move.
    releaseConnection();

    connect(this, &UseData::reqSendSignal, this, &UseData::onReqSendSignal);
    connectRequestSignals();
}

UseData::~UseData()
{
    releaseConnection();
}

void UseData::connectRequestSignals()
{
    connect(
        this, &UseData::notifyDeleteFlowCacheData, this, [this] { enqueue(DeleteFlowCacheData); },
        Qt::DirectConnection);
    connect(this, &UseData::notifySaveFlowCacheDataToLst, this,
            [this](QString appname, QString sname, double downloaded, double uploaded) {
                enqueue(SaveFlowCacheDataToLst, {appname, sname, downloaded, uploaded});
            });
    const auto connectPlain = [this](void (UseData::*signal)(), SignalQueueType type) {
        connect(
            this, signal, this, [this, type] { enqueue(type); }, Qt::DirectConnection);
    };
    connectPlain(&UseData::notifySaveFlowData, SaveFlowData);
    connectPlain(&UseData::notifyGetYesterdayFlowData, GetYesterdayFlowData);
    connectPlain(&UseData::notifyGetTodayFlowData, GetTodayFlowData);
    connectPlain(&UseData::notifyGetLastMonthFlowData, GetLastMonthFlowData);
    connectPlain(&UseData::notifyGetThisMonthFlowData, GetThisMonthFlowData);
    const auto connectApp = [this](void (UseData::*signal)(QString), SignalQueueType type) {
        connect(
            this, signal, this,
            [this, type](QString appname) {
                enqueue(type, {appname, QString(), 0, 0});
            },
            Qt::DirectConnection);
    };
    connectApp(&UseData::notifyGetAppYesterdayFlowData, GetAppYesterdayFlowData);
    connectApp(&UseData::notifyGetAppTodayFlowData, GetAppTodayFlowData);
    connectApp(&UseData::notifyGetAppLastMonthFlowData, GetAppLastMonthFlowData);
    connectApp(&UseData::notifyGetAppThisMonthFlowData, GetAppThisMonthFlowData);
}

void UseData::enqueue(SignalQueueType type, const SignalQueFlow &flow)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    m_signalQueue.append({type, flow});
    emit reqSendSignal();
}

void UseData::enqueueDeleteFlowCacheData()
{
    m_signalQueue.append({DeleteFlowCacheData, {}});
    emit reqSendSignal();
}

void UseData::enqueueSaveFlowCacheDataToLst(QString appname, QString sname, double downloaded,
                                            double uploaded)
{
    m_signalQueue.append({SaveFlowCacheDataToLst, {appname, sname, downloaded, uploaded}});
    emit reqSendSignal();
}

void UseData::enqueueSaveFlowData()
{
    m_signalQueue.append({SaveFlowData, {}});
    emit reqSendSignal();
}

void UseData::onReqSendSignal()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    // Entries queued while the loop below runs in this thread are taken by that loop.
    if (m_dispatching)
        return;
    m_dispatching = true;
    int failures = 0;
    while (!m_signalQueue.isEmpty()) {
        const SignalQueueEntry entry = m_signalQueue.first();
        // Answers wait, in order, for the sums being built; the work goes on in slices.
        if (!readyToAnswer(entry.first)) {
            scheduleSummaryWork();
            break;
        }
        if (!handleRequest(entry) && ++failures < kAttemptsPerRequest)
            continue;
        if (failures >= kAttemptsPerRequest)
            qDebug() << "request dropped after" << failures
                     << "failed attempts:" << signalQueueTypeName(entry.first);
        failures = 0;
        m_signalQueue.removeFirst();
    }
    m_dispatching = false;
}

bool UseData::readyToAnswer(SignalQueueType type)
{
    if (type < GetYesterdayFlowData)
        return true;
    ensureConnection();
    if (m_summaries.answers() != FlowSummaries::Answers::NotYet)
        return true;
    // A slice now, unless one has just run: between two slices the other threads waiting
    // for the lock must get their turn.
    if (m_sinceSummaryWork.isValid() && m_sinceSummaryWork.elapsed() < kSummaryPauseMs)
        return false;
    doSummarySlice();
    return m_summaries.answers() != FlowSummaries::Answers::NotYet;
}

void UseData::scheduleSummaryWork()
{
    if (m_summaryWorkScheduled)
        return;
    m_summaryWorkScheduled = true;
    QTimer::singleShot(kSummaryPauseMs, this, [this] { doSummaryWork(); });
}

void UseData::doSummaryWork()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    m_summaryWorkScheduled = false;
    if (m_connectionThread != QThread::currentThread())
        return;
    doSummarySlice();
    if (m_summaries.hasWork())
        scheduleSummaryWork();
    else if (!m_signalQueue.isEmpty())
        emit reqSendSignal();
}

void UseData::doSummarySlice()
{
    m_summaries.doWork(kSummaryWorkMs);
    m_sinceSummaryWork.start();
}

bool UseData::handleRequest(const SignalQueueEntry &entry)
{
    const SignalQueFlow &flow = entry.second;
    switch (entry.first) {
    case DeleteFlowCacheData:
        return deleteFlowCacheData();
    case SaveFlowCacheDataToLst:
        return saveFlowCacheDataToLst(flow.appname, flow.sname, flow.downloaded, flow.uploaded);
    case SaveFlowData:
        return saveFlowData();
    case GetYesterdayFlowData:
        return getYesterdayFlowData();
    case GetTodayFlowData:
        return getTodayFlowData();
    case GetLastMonthFlowData:
        return getLastMonthFlowData();
    case GetThisMonthFlowData:
        return getThisMonthFlowData();
    case GetAppYesterdayFlowData:
        return getAppYesterdayFlowData(flow.appname);
    case GetAppTodayFlowData:
        return getAppTodayFlowData(flow.appname);
    case GetAppLastMonthFlowData:
        return getAppLastMonthFlowData(flow.appname);
    case GetAppThisMonthFlowData:
        return getAppThisMonthFlowData(flow.appname);
    }
    return true;
}
