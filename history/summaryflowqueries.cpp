#include "history/summaryflowqueries.h"

#include "history/flowmerge.h"
#include "history/flowrow.h"
#include "history/hourkey.h"

#include <QDebug>
#include <QSqlError>

namespace SummaryFlowQueries {

namespace {
QString dayKey(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy/MM/dd"));
}

bool run(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    query.setForwardOnly(true);
    query.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    qDebug() << query.lastError();
    return false;
}

// Each application's day in the order of its first row, as reading the rows finds them.
bool mergeDays(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &first,
               const QDate &last)
{
    if (!run(query,
             QStringLiteral("SELECT appname, sName, hourKey, totalFlow, downloadedFlow, "
                            "uploadedFlow FROM flowDaySum WHERE dayKey BETWEEN ? AND ? "
                            "ORDER BY dayKey, firstRow"),
             {dayKey(first), dayKey(last)}))
        return false;
    while (query.next())
        FlowMerge::mergeByAppname(list, FlowRow::fromQuery(query));
    query.finish();
    return true;
}

// The application's hour sums between the two days, grouped by day.
QList<QList<AppFlowDateParameter>> hoursByDay(QSqlQuery &query, const QString &appname,
                                              const QDate &first, int days)
{
    QList<QList<AppFlowDateParameter>> byDay;
    for (int i = 0; i < days; ++i)
        byDay.append(QList<AppFlowDateParameter>());
    if (!run(query,
             QStringLiteral("SELECT appname, sName, hourKey, totalFlow, downloadedFlow, "
                            "uploadedFlow FROM flowHourSum WHERE appname = ? AND hourKey > ? "
                            "AND hourKey < ?"),
             {appname, HourKey::dayLowerBound(first),
              HourKey::dayUpperBound(first.addDays(days - 1))}))
        return byDay;
    while (query.next()) {
        const AppFlowDateParameter record = FlowRow::fromQuery(query);
        const QDate date(record.date.midRef(0, 4).toInt(), record.date.midRef(5, 2).toInt(),
                         record.date.midRef(8, 2).toInt());
        const int day = first.daysTo(date);
        if (day >= 0 && day < days)
            byDay[day].append(record);
    }
    query.finish();
    return byDay;
}
} // namespace

bool queryDay(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day)
{
    return mergeDays(query, list, day, day);
}

bool queryMonth(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day)
{
    const QDate first(day.year(), day.month(), 1);
    return mergeDays(query, list, first, first.addDays(first.daysInMonth() - 1));
}

QList<AppFlowDateParameter> queryAppDay(QSqlQuery &query, const QString &appname, const QDate &day)
{
    return FlowMerge::hourlyAnswer(appname, day, hoursByDay(query, appname, day, 1).first());
}

QList<AppFlowDateParameter> queryAppMonth(QSqlQuery &query, const QString &appname,
                                          const QDate &day)
{
    const QDate first(day.year(), day.month(), 1);
    const QList<QList<AppFlowDateParameter>> byDay =
        hoursByDay(query, appname, first, first.daysInMonth());
    QList<AppFlowDateParameter> days;
    for (int i = 0; i < byDay.size(); ++i) {
        const QDate current = first.addDays(i);
        days.append(FlowMerge::dailyRecord(appname, current,
                                           FlowMerge::hourlyAnswer(appname, current, byDay.at(i))));
    }
    return days;
}

} // namespace SummaryFlowQueries
