// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/failurelog.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

namespace {
// An answer that cannot be read is tried this many times, pausing between attempts, and then
// answered with an empty list.
constexpr int kAttemptsPerAnswer = 4;
// The pause before a failed request is tried again doubles from the first to the longest.
constexpr int kFirstRetryMs = 100;
constexpr int kLongestRetryMs = 2000;
// How long one slice of building sums or removing old rows may take, and the pause after it
// while nothing else waits. A slice that failed (the file held by another program) is tried
// again as soon: the busy timeout already spaces the attempts.
constexpr int kSummaryWorkMs = 50;
constexpr int kSummaryPauseMs = 2;
// While that work is pending, each request is followed by slices for as long as it took, so
// that they keep at least half of the thread; at most this long, so that an answer waiting
// behind them is not held up by more.
constexpr int kMostOwedSliceMs = 1000;
// While the build maps the rows not summed (seconds on a full history), the collector's lists
// of all applications wait: each would read every row not mapped yet, and a caller's answer
// behind one would wait for that too. At most this long, should the mapping not get on.
constexpr int kLongestHeldListsMs = 10000;
} // namespace

UseData::UseData(QObject *parent) : QObject(parent), m_retryTimer(new QTimer(this))
{
    qRegisterMetaType<QList<AppFlowDateParameter>>("QList<AppFlowDateParameter>");
    qRegisterMetaType<HistoryAnswer>("HistoryAnswer");

    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &UseData::onReqSendSignal);
    connect(this, &UseData::reqSendSignal, this, &UseData::onReqSendSignal);
}

UseData::~UseData() = default;

CollectorSnapshot UseData::loadKeptReference()
{
    return m_saver.loadKept();
}

void UseData::request(const HistoryRequest &request)
{
    SignalQueFlow flow;
    flow.request = request;
    bool queued = false;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        queued = append(GetFlowData, flow);
    }
    if (!queued)
        emit refused(request.id);
}

void UseData::enqueueDeleteFlowCacheData()
{
    append(DeleteFlowCacheData, {});
}

void UseData::enqueueSaveFlowCacheDataToLst(QString appname, QString sname, double downloaded,
                                            double uploaded)
{
    append(SaveFlowCacheDataToLst, {appname, sname, downloaded, uploaded});
}

void UseData::enqueueSaveFlowData(const CollectorSnapshot &collector)
{
    SignalQueFlow flow;
    flow.collector = collector;
    append(SaveFlowData, flow);
}

bool UseData::append(SignalQueueType type, const SignalQueFlow &flow)
{
    if (!m_queue.append(type, flow))
        return false;
    emit reqSendSignal();
    return true;
}

void UseData::onReqSendSignal()
{
    // Entries queued while the loop below runs in this thread are taken by that loop; a failed
    // request waits for its timer.
    if (m_dispatching)
        return;
    m_dispatching = true;
    for (;;) {
        if (isSliceOwed())
            runSlice();
        else if (m_retryTimer->isActive() || !dispatchHead())
            break;
    }
    m_dispatching = false;
    // An answer or a save may have found the sums to be built anew.
    if (m_connection.summaries().hasWork())
        scheduleSummaryWork();
}

// The lock guards the queue only: the file is worked on without it, so that neither a slow
// statement nor a file held by another program holds up the collector or the display.
bool UseData::dispatchHead()
{
    // Whether the sums are mapped is known only once the file is open in this thread.
    m_connection.ensure();
    const bool holdLists = isHoldingLists();
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        m_head = m_queue.takeHead(holdLists);
    }
    if (!m_head)
        return false;
    if (m_head->passedFirst)
        m_headAttempts = 0;
    m_finalAttempt = m_head->entry.first != GetFlowData || m_headAttempts + 1 >= kAttemptsPerAnswer;
    QElapsedTimer timer;
    timer.start();
    const bool handled = handleRequest(m_head->entry);
    if (m_connection.summaries().hasWork()) {
        m_owedSliceMs = qMin<qint64>(m_owedSliceMs + timer.elapsed(), kMostOwedSliceMs);
        m_sliceDue = true;
    }
    if (handled) {
        finishHead();
        return true;
    }
    return headFailed();
}

bool UseData::isHoldingLists()
{
    if (!m_connection.summaries().isMapping()) {
        m_listsHeld.invalidate();
        return false;
    }
    if (!m_listsHeld.isValid())
        m_listsHeld.start();
    return m_listsHeld.elapsed() < kLongestHeldListsMs;
}

bool UseData::headFailed()
{
    ++m_headAttempts;
    if (m_head->entry.first == SaveFlowData) {
        bool laterSave = false;
        {
            QMutexLocker locker(&CMutex::instance()->mutex);
            laterSave = m_queue.hasSaveBehindHead();
        }
        if (laterSave) {
            if (FailureLog::due(QStringLiteral("history save failed")))
                qDebug() << "history save failed, the next one counts its growth";
            finishHead();
            return true;
        }
    } else if (m_finalAttempt) {
        const char *name = signalQueueEntryName(m_head->entry);
        if (FailureLog::due(QStringLiteral("request dropped ") + name))
            qDebug() << "request dropped after" << m_headAttempts << "failed attempts:" << name;
        finishHead();
        return true;
    }
    // Answers check the file as saves do: another program may have broken it.
    m_connection.recover();
    m_retryTimer->start(qMin(kFirstRetryMs << qMin(m_headAttempts - 1, 8), kLongestRetryMs));
    return false;
}

void UseData::finishHead()
{
    m_headAttempts = 0;
    QMutexLocker locker(&CMutex::instance()->mutex);
    m_queue.finishHead(*m_head);
    m_head.reset();
}

bool UseData::isSliceOwed() const
{
    return (m_sliceDue || m_owedSliceMs > 0) && m_connection.isOpenHere() &&
           m_connection.summaries().hasWork();
}

void UseData::runSlice()
{
    QElapsedTimer timer;
    timer.start();
    m_connection.summaries().doWork(kSummaryWorkMs);
    m_sliceDue = false;
    m_owedSliceMs = qMax<qint64>(0, m_owedSliceMs - timer.elapsed());
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
    m_summaryWorkScheduled = false;
    if (m_dispatching || !m_connection.isOpenHere())
        return;
    runSlice();
    bool waiting = false;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        waiting = !m_queue.isEmpty();
    }
    // Lists held while the rows were mapped go once that is done.
    if (waiting)
        onReqSendSignal();
    else if (m_connection.summaries().hasWork())
        scheduleSummaryWork();
}

bool UseData::handleRequest(const SignalQueueEntry &entry)
{
    const SignalQueFlow &flow = entry.second;
    switch (entry.first) {
    case DeleteFlowCacheData:
        m_saver.clearSamples();
        return true;
    case SaveFlowCacheDataToLst:
        m_saver.addSample(flow.appname, flow.sname, flow.downloaded, flow.uploaded);
        return true;
    case SaveFlowData: {
        const FlowSaver::Outcome outcome = m_saver.save(flow.collector);
        if (outcome == FlowSaver::Outcome::Committed)
            emit flowSaved();
        return outcome != FlowSaver::Outcome::Failed;
    }
    case GetFlowData:
        return answer(flow.request);
    }
    return true;
}

// A retried request that will be tried again answers then; one that cannot be read answers no
// rows rather than figures it does not have. A request answered once goes through the same
// queue, so its answer still comes after the saves queued before it; a read that fails checks
// the file as a failed save does, and reads once more when that repaired it.
bool UseData::answer(const HistoryRequest &request)
{
    const QDateTime now = Clock::now();
    HistoryAnswer answer;
    answer.request = request;
    answer.firstDay =
        request.since.isValid() ? request.since : flowPeriodFirstDay(request.period, now.date());
    answer.ok = readPeriod(request, now, answer.rows);
    const bool once = request.answering == HistoryRequest::Answering::Once;
    if (once && !answer.ok && m_connection.recover())
        answer.ok = readPeriod(request, now, answer.rows);
    if (!once && !answer.ok) {
        if (!m_finalAttempt)
            return false;
        answer.rows.clear();
    }
    for (const quint64 requestId : qAsConst(m_head->answerIds)) {
        answer.request.id = requestId;
        emit answered(answer);
    }
    return once || answer.ok;
}

bool UseData::readPeriod(const HistoryRequest &request, const QDateTime &now,
                         QList<AppFlowDateParameter> &rows)
{
    return m_reader.read(request, now, rows);
}
