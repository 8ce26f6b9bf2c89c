// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/literalflowqueries.h"
#include "history/summaryflowqueries.h"
#include "records/clock.h"

// A retried request that will be tried again answers then; one that cannot be read answers no
// rows rather than figures it does not have. A request answered once goes through the same
// queue, so its answer still comes after the saves queued before it; a read that fails checks
// the file as a failed save does, and reads once more when that repaired it.
bool UseData::answer(const HistoryRequest &request)
{
    const QDateTime now = Clock::now();
    HistoryAnswer answer;
    answer.request = request;
    answer.firstDay = flowPeriodFirstDay(request.period, now.date());
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
    rows.clear();
    const bool month =
        request.period == FlowPeriod::ThisMonth || request.period == FlowPeriod::LastMonth;
    QDateTime day = now;
    if (request.period == FlowPeriod::Yesterday)
        day = now.addDays(-1);
    else if (request.period == FlowPeriod::LastMonth)
        day = now.addMonths(-1);
    if (request.all)
        return month ? queryMonthFlowData(rows, day) : queryDayFlowData(rows, day);
    bool ok = true;
    rows = month ? queryAppMonthFlowData(request.appname, day, &ok)
                 : queryAppDayFlowData(request.appname, day, &ok);
    return ok;
}

bool UseData::queryDayFlowData(QList<AppFlowDateParameter> &list, const QDateTime &day)
{
    ensureConnection();
    if (m_summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryDay(m_query, list, day.date(), m_summaries.unsummed());
    return LiteralFlowQueries::queryDay(m_query, list, day.date());
}

bool UseData::queryMonthFlowData(QList<AppFlowDateParameter> &list, const QDateTime &day)
{
    ensureConnection();
    if (m_summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryMonth(m_query, list, day.date(), m_summaries.unsummed());
    return LiteralFlowQueries::queryMonth(m_query, list, day.date());
}

QList<AppFlowDateParameter> UseData::queryAppDayFlowData(const QString &appname,
                                                         const QDateTime &day, bool *ok)
{
    ensureConnection();
    bool read = true;
    const QList<AppFlowDateParameter> hours =
        m_summaries.answers() == FlowSummaries::Answers::FromSummaries
            ? SummaryFlowQueries::queryAppDay(m_query, appname, day.date(), m_summaries.unsummed(),
                                              &read)
            : LiteralFlowQueries::queryAppDay(m_query, appname, day.date(), &read);
    if (ok)
        *ok = read;
    return hours;
}

QList<AppFlowDateParameter> UseData::queryAppMonthFlowData(const QString &appname,
                                                           const QDateTime &day, bool *ok)
{
    ensureConnection();
    bool read = true;
    const QList<AppFlowDateParameter> days =
        m_summaries.answers() == FlowSummaries::Answers::FromSummaries
            ? SummaryFlowQueries::queryAppMonth(m_query, appname, day.date(),
                                                m_summaries.unsummed(), &read)
            : LiteralFlowQueries::queryAppMonth(m_query, appname, day.date(), &read);
    if (ok)
        *ok = read;
    return days;
}
