// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/literalflowqueries.h"

#include "history/failurelog.h"
#include "history/flowmerge.h"
#include "history/flowrow.h"
#include "history/hourkey.h"

#include <QVariant>

namespace LiteralFlowQueries {

namespace {
// Rows come in the table's own order: the plain scan returns them as they were inserted.
bool selectDay(QSqlQuery &query, const QDate &day, const QString *appname)
{
    query.setForwardOnly(true);
    // A statement that cannot be prepared reports why there, not at exec.
    if (query.prepare(appname ? QStringLiteral("SELECT * FROM flowDetail WHERE dataymdh>? AND "
                                               "dataymdh<? AND appName=?;")
                              : QStringLiteral("SELECT * FROM flowDetail WHERE dataymdh>? AND "
                                               "dataymdh<?;"))) {
        query.addBindValue(HourKey::dayLowerBound(day));
        query.addBindValue(HourKey::dayUpperBound(day));
        if (appname)
            query.addBindValue(*appname);
        if (query.exec())
            return true;
    }
    FailureLog::sqlError(query.lastError());
    return false;
}
} // namespace

bool queryDay(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day)
{
    if (!selectDay(query, day, nullptr))
        return false;
    while (query.next())
        FlowMerge::mergeByAppname(list, FlowRow::fromQuery(query));
    query.finish();
    return true;
}

bool queryMonth(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day)
{
    const QDate first(day.year(), day.month(), 1);
    for (int i = 0; i < first.daysInMonth(); ++i) {
        QList<AppFlowDateParameter> dayList;
        if (!queryDay(query, dayList, first.addDays(i)))
            return false;
        for (const AppFlowDateParameter &record : qAsConst(dayList))
            FlowMerge::mergeByAppname(list, record);
    }
    return true;
}

QList<AppFlowDateParameter> queryAppDay(QSqlQuery &query, const QString &appname, const QDate &day,
                                        bool *ok)
{
    QList<AppFlowDateParameter> byHourKey;
    if (selectDay(query, day, &appname)) {
        while (query.next())
            FlowMerge::mergeByDate(byHourKey, FlowRow::fromQuery(query));
        query.finish();
    } else if (ok) {
        *ok = false;
    }
    return FlowMerge::hourlyAnswer(appname, day, byHourKey);
}

QList<AppFlowDateParameter> queryAppMonth(QSqlQuery &query, const QString &appname,
                                          const QDate &day, bool *ok)
{
    const QDate first(day.year(), day.month(), 1);
    QList<AppFlowDateParameter> days;
    for (int i = 0; i < first.daysInMonth(); ++i) {
        const QDate current = first.addDays(i);
        days.append(
            FlowMerge::dailyRecord(appname, current, queryAppDay(query, appname, current, ok)));
    }
    return days;
}

} // namespace LiteralFlowQueries
