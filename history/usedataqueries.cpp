// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/literalflowqueries.h"
#include "history/summaryflowqueries.h"
#include "records/clock.h"

bool UseData::getYesterdayFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryDayFlowData(appLst, Clock::now().addDays(-1));
    return answer(&UseData::sendYesterdayFlowData, appLst, ok);
}

bool UseData::getTodayFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryDayFlowData(appLst, Clock::now());
    return answer(&UseData::sendTodayFlowData, appLst, ok);
}

bool UseData::getLastMonthFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryMonthFlowData(appLst, Clock::now().addMonths(-1));
    return answer(&UseData::sendLastMonthFlowData, appLst, ok);
}

bool UseData::getThisMonthFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryMonthFlowData(appLst, Clock::now());
    return answer(&UseData::sendThisMonthFlowData, appLst, ok);
}

bool UseData::getAppYesterdayFlowData(const QString &appname)
{
    bool ok = true;
    const auto appLst = queryAppDayFlowData(appname, Clock::now().addDays(-1), &ok);
    return answer(&UseData::sendAppYesterdayFlowData, appLst, ok);
}

bool UseData::getAppTodayFlowData(const QString &appname)
{
    bool ok = true;
    const auto appLst = queryAppDayFlowData(appname, Clock::now(), &ok);
    return answer(&UseData::sendAppTodayFlowData, appLst, ok);
}

bool UseData::getAppLastMonthFlowData(const QString &appname)
{
    bool ok = true;
    const auto appLst = queryAppMonthFlowData(appname, Clock::now().addMonths(-1), &ok);
    return answer(&UseData::sendAppLastMonthFlowData, appLst, ok);
}

bool UseData::getAppThisMonthFlowData(const QString &appname)
{
    bool ok = true;
    const auto appLst = queryAppMonthFlowData(appname, Clock::now(), &ok);
    return answer(&UseData::sendAppThisMonthFlowData, appLst, ok);
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
