// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/periodreader.h"

#include "history/flowsummaries.h"
#include "history/literalflowqueries.h"
#include "history/summaryflowqueries.h"
#include "history/usesincequery.h"

PeriodReader::PeriodReader(QSqlQuery &query, FlowSummaries &summaries)
    : m_query(query), m_summaries(summaries)
{
}

bool PeriodReader::read(const HistoryRequest &request, const QDateTime &now,
                        QList<AppFlowDateParameter> &rows)
{
    rows.clear();
    if (request.since.isValid())
        return UseSinceQuery::query(m_query, m_summaries, rows, request.since, now.date());
    const bool month =
        request.period == FlowPeriod::ThisMonth || request.period == FlowPeriod::LastMonth;
    QDateTime day = now;
    if (request.period == FlowPeriod::Yesterday)
        day = now.addDays(-1);
    else if (request.period == FlowPeriod::LastMonth)
        day = now.addMonths(-1);
    if (request.all)
        return month ? queryMonth(rows, day.date()) : queryDay(rows, day.date());
    bool ok = true;
    rows = month ? queryAppMonth(request.appname, day.date(), &ok)
                 : queryAppDay(request.appname, day.date(), &ok);
    return ok;
}

bool PeriodReader::fromSummaries()
{
    return m_summaries.answers() == FlowSummaries::Answers::FromSummaries;
}

bool PeriodReader::queryDay(QList<AppFlowDateParameter> &list, const QDate &day)
{
    if (fromSummaries())
        return SummaryFlowQueries::queryDay(m_query, list, day, m_summaries.unsummed());
    return LiteralFlowQueries::queryDay(m_query, list, day);
}

bool PeriodReader::queryMonth(QList<AppFlowDateParameter> &list, const QDate &day)
{
    if (fromSummaries())
        return SummaryFlowQueries::queryMonth(m_query, list, day, m_summaries.unsummed());
    return LiteralFlowQueries::queryMonth(m_query, list, day);
}

QList<AppFlowDateParameter> PeriodReader::queryAppDay(const QString &appname, const QDate &day,
                                                      bool *ok)
{
    if (fromSummaries())
        return SummaryFlowQueries::queryAppDay(m_query, appname, day, m_summaries.unsummed(), ok);
    return LiteralFlowQueries::queryAppDay(m_query, appname, day, ok);
}

QList<AppFlowDateParameter> PeriodReader::queryAppMonth(const QString &appname, const QDate &day,
                                                        bool *ok)
{
    if (fromSummaries())
        return SummaryFlowQueries::queryAppMonth(m_query, appname, day, m_summaries.unsummed(), ok);
    return LiteralFlowQueries::queryAppMonth(m_query, appname, day, ok);
}
