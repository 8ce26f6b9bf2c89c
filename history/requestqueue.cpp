// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/requestqueue.h"

#include "history/failurelog.h"

#include <QDebug>

namespace {
// Answers beyond this many waiting are refused, so that a flood of requests cannot grow memory.
constexpr int kMostPendingAnswers = 500;
// Snapshots waiting to be saved beyond this many give way to the newer ones, which count their
// growth: the reference moves only when a save commits.
constexpr int kMostPendingSaves = 2;

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

bool RequestQueue::append(SignalQueueType type, const SignalQueFlow &flow)
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
    m_entries.insert(insertionPoint(type, flow), {type, flow});
    return true;
}

// A caller waiting for its answer goes ahead of the collector's period lists waiting at the end
// of the queue: those only refresh a display, and while the sums are built one of them can take
// seconds. It never passes a save or another caller, and never the head, which may be in hand.
int RequestQueue::insertionPoint(SignalQueueType type, const SignalQueFlow &flow) const
{
    int at = m_entries.size();
    if (!isAnswer(type) || flow.request.answering != HistoryRequest::Answering::Once)
        return at;
    while (at > 1 && isCollectorList(m_entries.at(at - 1)))
        --at;
    return at;
}

// Whether such a request waits behind the head (which may be in hand) and after the last save.
bool RequestQueue::isWaiting(const HistoryRequest &request) const
{
    for (int i = m_entries.size() - 1; i >= 1; --i) {
        if (m_entries.at(i).first == SaveFlowData)
            return false;
        if (m_entries.at(i).first == GetFlowData &&
            m_entries.at(i).second.request.asksAsWell(request))
            return true;
    }
    return false;
}

// Drops the oldest whole snapshot behind the head (the head may be in hand) once too many wait.
void RequestQueue::supersedeWaitingSave()
{
    int saves = 0;
    for (int i = 1; i < m_entries.size(); ++i)
        saves += m_entries.at(i).first == SaveFlowData;
    if (saves < kMostPendingSaves)
        return;
    int start = 1;
    while (start < m_entries.size() && m_entries.at(start).first != DeleteFlowCacheData)
        ++start;
    int end = start;
    while (end < m_entries.size() && m_entries.at(end).first != SaveFlowData)
        ++end;
    if (end >= m_entries.size())
        return;
    for (int i = end; i >= start; --i)
        if (!isAnswer(m_entries.at(i).first))
            m_entries.removeAt(i);
    if (FailureLog::due(QStringLiteral("history save superseded")))
        qDebug() << "history save waits too long, the next one counts its growth";
}

std::optional<RequestQueue::Head> RequestQueue::takeHead(bool holdCollectorLists)
{
    int next = 0;
    while (holdCollectorLists && next < m_entries.size() && isCollectorList(m_entries.at(next)))
        ++next;
    if (next >= m_entries.size())
        return std::nullopt;
    // Nothing is in hand between two requests: the one taken becomes the head.
    m_entries.move(next, 0);
    Head head{m_entries.first(), {m_entries.first().second.request.id}, next > 0};
    // The same question waiting before the next save gets the same answer.
    for (int i = 1; isAnswer(head.entry.first) && i < m_entries.size() &&
                    m_entries.at(i).first != SaveFlowData;
         ++i)
        if (isSameRequest(m_entries.at(i), head.entry))
            head.answerIds.append(m_entries.at(i).second.request.id);
    return head;
}

void RequestQueue::finishHead(const Head &head)
{
    m_entries.removeFirst();
    if (!isAnswer(head.entry.first))
        return;
    --m_pendingAnswers;
    // The twins answered with it come first among its like: later ones were queued after.
    int twins = head.answerIds.size() - 1;
    for (int i = 0; twins > 0 && i < m_entries.size(); ++i) {
        if (isSameRequest(m_entries.at(i), head.entry)) {
            m_entries.removeAt(i--);
            --m_pendingAnswers;
            --twins;
        }
    }
}

bool RequestQueue::hasSaveBehindHead() const
{
    for (int i = 1; i < m_entries.size(); ++i)
        if (m_entries.at(i).first == SaveFlowData)
            return true;
    return false;
}
