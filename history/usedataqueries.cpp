#include "history/usedata.h"

#include "history/literalflowqueries.h"
#include "history/summaryflowqueries.h"
#include "records/clock.h"

bool UseData::getYesterdayFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryDayFlowData(appLst, Clock::now().addDays(-1));
    emit sendYesterdayFlowData(appLst);
    return ok;
}

bool UseData::getTodayFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryDayFlowData(appLst, Clock::now());
    emit sendTodayFlowData(appLst);
    return ok;
}

bool UseData::getLastMonthFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryMonthFlowData(appLst, Clock::now().addMonths(-1));
    emit sendLastMonthFlowData(appLst);
    return ok;
}

bool UseData::getThisMonthFlowData()
{
    QList<AppFlowDateParameter> appLst;
    const bool ok = queryMonthFlowData(appLst, Clock::now());
    emit sendThisMonthFlowData(appLst);
    return ok;
}

bool UseData::getAppYesterdayFlowData(const QString &appname)
{
    emit sendAppYesterdayFlowData(queryAppDayFlowData(appname, Clock::now().addDays(-1)));
    return true;
}

bool UseData::getAppTodayFlowData(const QString &appname)
{
    emit sendAppTodayFlowData(queryAppDayFlowData(appname, Clock::now()));
    return true;
}

bool UseData::getAppLastMonthFlowData(const QString &appname)
{
    emit sendAppLastMonthFlowData(queryAppMonthFlowData(appname, Clock::now().addMonths(-1)));
    return true;
}

bool UseData::getAppThisMonthFlowData(const QString &appname)
{
    emit sendAppThisMonthFlowData(queryAppMonthFlowData(appname, Clock::now()));
    return true;
}

bool UseData::queryDayFlowData(QList<AppFlowDateParameter> &list, const QDateTime &day)
{
    ensureConnection();
    if (m_summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryDay(m_query, list, day.date());
    return LiteralFlowQueries::queryDay(m_query, list, day.date());
}

bool UseData::queryMonthFlowData(QList<AppFlowDateParameter> &list, const QDateTime &day)
{
    ensureConnection();
    if (m_summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryMonth(m_query, list, day.date());
    return LiteralFlowQueries::queryMonth(m_query, list, day.date());
}

QList<AppFlowDateParameter> UseData::queryAppDayFlowData(const QString &appname,
                                                         const QDateTime &day)
{
    ensureConnection();
    if (m_summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryAppDay(m_query, appname, day.date());
    return LiteralFlowQueries::queryAppDay(m_query, appname, day.date());
}

QList<AppFlowDateParameter> UseData::queryAppMonthFlowData(const QString &appname,
                                                           const QDateTime &day)
{
    ensureConnection();
    if (m_summaries.answers() == FlowSummaries::Answers::FromSummaries)
        return SummaryFlowQueries::queryAppMonth(m_query, appname, day.date());
    return LiteralFlowQueries::queryAppMonth(m_query, appname, day.date());
}
