// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/failurelog.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

namespace {
// An answer that cannot be read is tried this many times, pausing between attempts, and then
// answered with an empty list.
constexpr int kAttemptsPerAnswer = 4;
// The pause before a failed request is tried again doubles from the first to the longest.
constexpr int kFirstRetryMs = 100;
constexpr int kLongestRetryMs = 2000;
// Answers beyond this many waiting are refused, so that a flood of requests cannot grow memory.
constexpr int kMostPendingAnswers = 500;
// Snapshots waiting to be saved beyond this many give way to the newer ones, which count their
// growth: the reference moves only when a save commits.
constexpr int kMostPendingSaves = 2;
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

bool isAnswer(SignalQueueType type)
{
    return type == GetFlowData;
}

// A list of all applications the collector asks for again and again to refresh a display.
bool isCollectorList(const SignalQueueEntry &entry)
{
    return isAnswer(entry.first) && entry.second.request.all &&
           entry.second.request.answering == HistoryRequest::Answering::Retried;
}

bool isSameRequest(const SignalQueueEntry &a, const SignalQueueEntry &b)
{
    return a.first == b.first && a.second.request.asksAsWell(b.second.request);
}
} // namespace

UseData::UseData(QObject *parent) : QObject(parent), m_retryTimer(new QTimer(this))
{
    qRegisterMetaType<QList<AppFlowDateParameter>>("QList<AppFlowDateParameter>");
    qRegisterMetaType<SignalQueueEntry>("QPair<SignalQueueType, SignalQueFlow>");
    qRegisterMetaType<HistoryAnswer>("HistoryAnswer");

    openDatabase();
    // The store's thread reopens the file on first use: a connection belongs to the thread
    // that made it, and this one is about to move.
    releaseConnection();

    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &UseData::onReqSendSignal);
    connect(this, &UseData::reqSendSignal, this, &UseData::onReqSendSignal);
}

UseData::~UseData()
{
    releaseConnection();
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
    if (isAnswer(type)) {
        // The one waiting answers this asker too.
        const HistoryRequest &request = flow.request;
        if (request.all && request.answering == HistoryRequest::Answering::Retried &&
            isWaiting(request))
            return true;
        if (m_pendingAnswers >= kMostPendingAnswers) {
            if (FailureLog::due(QStringLiteral("history requests refused")))
                qDebug() << "history request refused, too many waiting:"
                         << signalQueueEntryName({type, flow});
            return false;
        }
        ++m_pendingAnswers;
    } else if (type == DeleteFlowCacheData) {
        supersedeWaitingSave();
    }
    m_signalQueue.insert(insertionPoint(type, flow), {type, flow});
    emit reqSendSignal();
    return true;
}

// A caller waiting for its answer goes ahead of the collector's period lists waiting at the end
// of the queue: those only refresh a display, and while the sums are built one of them can take
// seconds. It never passes a save or another caller, and never the head, which may be in hand.
int UseData::insertionPoint(SignalQueueType type, const SignalQueFlow &flow) const
{
    int at = m_signalQueue.size();
    if (!isAnswer(type) || flow.request.answering != HistoryRequest::Answering::Once)
        return at;
    while (at > 1 && isCollectorList(m_signalQueue.at(at - 1)))
        --at;
    return at;
}

// Whether such a request waits behind the head (which may be in hand) and after the last save.
bool UseData::isWaiting(const HistoryRequest &request) const
{
    for (int i = m_signalQueue.size() - 1; i >= 1; --i) {
        if (m_signalQueue.at(i).first == SaveFlowData)
            return false;
        if (m_signalQueue.at(i).first == GetFlowData &&
            m_signalQueue.at(i).second.request.asksAsWell(request))
            return true;
    }
    return false;
}

// Drops the oldest whole snapshot behind the head (the head may be in hand) once too many wait.
void UseData::supersedeWaitingSave()
{
    int saves = 0;
    for (int i = 1; i < m_signalQueue.size(); ++i)
        saves += m_signalQueue.at(i).first == SaveFlowData;
    if (saves < kMostPendingSaves)
        return;
    int start = 1;
    while (start < m_signalQueue.size() && m_signalQueue.at(start).first != DeleteFlowCacheData)
        ++start;
    int end = start;
    while (end < m_signalQueue.size() && m_signalQueue.at(end).first != SaveFlowData)
        ++end;
    if (end >= m_signalQueue.size())
        return;
    for (int i = end; i >= start; --i)
        if (!isAnswer(m_signalQueue.at(i).first))
            m_signalQueue.removeAt(i);
    if (FailureLog::due(QStringLiteral("history save superseded")))
        qDebug() << "history save waits too long, the next one counts its growth";
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
    if (m_summaries.hasWork())
        scheduleSummaryWork();
}

// The lock guards the queue only: the file is worked on without it, so that neither a slow
// statement nor a file held by another program holds up the collector or the display.
bool UseData::dispatchHead()
{
    const bool holdLists = isHoldingLists();
    SignalQueueEntry entry;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        int next = 0;
        while (holdLists && next < m_signalQueue.size() && isCollectorList(m_signalQueue.at(next)))
            ++next;
        if (next >= m_signalQueue.size())
            return false;
        // Nothing is in hand between two requests: the one taken becomes the head, and a
        // failed one it passes starts its attempts afresh later.
        if (next > 0) {
            m_signalQueue.move(next, 0);
            m_headAttempts = 0;
        }
        entry = m_signalQueue.first();
        // The same question waiting before the next save gets the same answer.
        m_answerIds = {entry.second.request.id};
        for (int i = 1; isAnswer(entry.first) && i < m_signalQueue.size() &&
                        m_signalQueue.at(i).first != SaveFlowData;
             ++i)
            if (isSameRequest(m_signalQueue.at(i), entry))
                m_answerIds.append(m_signalQueue.at(i).second.request.id);
    }
    m_finalAttempt = !isAnswer(entry.first) || m_headAttempts + 1 >= kAttemptsPerAnswer;
    QElapsedTimer timer;
    timer.start();
    const bool handled = handleRequest(entry);
    if (m_summaries.hasWork()) {
        m_owedSliceMs = qMin<qint64>(m_owedSliceMs + timer.elapsed(), kMostOwedSliceMs);
        m_sliceDue = true;
    }
    if (handled) {
        finishHead();
        return true;
    }
    return headFailed(entry);
}

bool UseData::isHoldingLists()
{
    ensureConnection();
    if (!m_summaries.isMapping()) {
        m_listsHeld.invalidate();
        return false;
    }
    if (!m_listsHeld.isValid())
        m_listsHeld.start();
    return m_listsHeld.elapsed() < kLongestHeldListsMs;
}

bool UseData::headFailed(const SignalQueueEntry &entry)
{
    ++m_headAttempts;
    if (entry.first == SaveFlowData) {
        bool laterSave = false;
        {
            QMutexLocker locker(&CMutex::instance()->mutex);
            for (int i = 1; i < m_signalQueue.size() && !laterSave; ++i)
                laterSave = m_signalQueue.at(i).first == SaveFlowData;
        }
        if (laterSave) {
            if (FailureLog::due(QStringLiteral("history save failed")))
                qDebug() << "history save failed, the next one counts its growth";
            finishHead();
            return true;
        }
    } else if (m_finalAttempt) {
        const char *name = signalQueueEntryName(entry);
        if (FailureLog::due(QStringLiteral("request dropped ") + name))
            qDebug() << "request dropped after" << m_headAttempts << "failed attempts:" << name;
        finishHead();
        return true;
    }
    // Answers check the file as saves do: another program may have broken it.
    recoverFile();
    m_retryTimer->start(qMin(kFirstRetryMs << qMin(m_headAttempts - 1, 8), kLongestRetryMs));
    return false;
}

void UseData::finishHead()
{
    m_headAttempts = 0;
    QMutexLocker locker(&CMutex::instance()->mutex);
    const SignalQueueEntry head = m_signalQueue.takeFirst();
    if (!isAnswer(head.first))
        return;
    --m_pendingAnswers;
    // The twins answered with it come first among its like: later ones were queued after.
    int twins = m_answerIds.size() - 1;
    for (int i = 0; twins > 0 && i < m_signalQueue.size(); ++i) {
        if (isSameRequest(m_signalQueue.at(i), head)) {
            m_signalQueue.removeAt(i--);
            --m_pendingAnswers;
            --twins;
        }
    }
}

bool UseData::isSliceOwed() const
{
    return (m_sliceDue || m_owedSliceMs > 0) && m_summaries.hasWork() &&
           m_connectionThread == QThread::currentThread();
}

void UseData::runSlice()
{
    QElapsedTimer timer;
    timer.start();
    m_summaries.doWork(kSummaryWorkMs);
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
    if (m_dispatching || m_connectionThread != QThread::currentThread())
        return;
    runSlice();
    bool waiting = false;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        waiting = !m_signalQueue.isEmpty();
    }
    // Lists held while the rows were mapped go once that is done.
    if (waiting)
        onReqSendSignal();
    else if (m_summaries.hasWork())
        scheduleSummaryWork();
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
        return saveFlowData(flow.collector);
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
    if (once && !answer.ok && recoverFile())
        answer.ok = readPeriod(request, now, answer.rows);
    if (!once && !answer.ok) {
        if (!m_finalAttempt)
            return false;
        answer.rows.clear();
    }
    for (const quint64 requestId : qAsConst(m_answerIds)) {
        answer.request.id = requestId;
        emit answered(answer);
    }
    return once || answer.ok;
}

bool UseData::readPeriod(const HistoryRequest &request, const QDateTime &now,
                         QList<AppFlowDateParameter> &rows)
{
    ensureConnection();
    return m_reader.read(request, now, rows);
}
