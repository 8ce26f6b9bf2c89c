// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/summaryflowqueries.h"

#include "history/failurelog.h"
#include "history/flowmerge.h"
#include "history/flowrow.h"
#include "history/flowsumbuild.h"
#include "history/hourkey.h"

#include <QVariant>
#include <QVector>
#include <algorithm>

namespace SummaryFlowQueries {

namespace {
QString dayKey(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy/MM/dd"));
}

// Which day from `first` on a day or hour key names, or -1; parsed by hand, as
// QDate::fromString is slow.
int dayIndex(const QDate &first, const QString &key)
{
    const QDate date(key.midRef(0, 4).toInt(), key.midRef(5, 2).toInt(), key.midRef(8, 2).toInt());
    return date.isValid() ? int(first.daysTo(date)) : -1;
}

bool run(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    query.setForwardOnly(true);
    // A statement that cannot be prepared reports why there, not at exec.
    if (query.prepare(statement)) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
    }
    FailureLog::sqlError(query.lastError());
    return false;
}

// One day of a period: whether a row the sums leave out falls into its range, and the rowids
// between which all of its rows lie (those of its day sums and its odd rows).
struct Day
{
    bool odd = false;
    qint64 firstRow = 0;
    qint64 lastRow = 0;

    void cover(qint64 first, qint64 last)
    {
        firstRow = firstRow ? qMin(firstRow, first) : first;
        lastRow = qMax(lastRow, last);
    }
};

// The VALUES of a table (i, lower, upper) holding each day's range, then the range of all of
// them; the bound values are appended to `values`. Compared by SQLite, the ranges hold the rows
// that the rows' own answers find in them.
QString dayRanges(const QDate &first, int count, QVariantList &values)
{
    QStringList ranges;
    for (int i = 0; i < count; ++i) {
        ranges.append(QStringLiteral("(%1, ?, ?)").arg(i));
        values << HourKey::dayLowerBound(first.addDays(i))
               << HourKey::dayUpperBound(first.addDays(i));
    }
    return ranges.join(QLatin1Char(','));
}

QString onlyApp(const QString *appname, QVariantList &values)
{
    if (!appname)
        return QString();
    values << *appname;
    return QStringLiteral("AND appName = ?");
}

// Marks the days whose range holds an odd row (of `appname` only, when given).
bool markOddDays(QSqlQuery &query, QVector<Day> &days, const QDate &first, const QString *appname)
{
    QVariantList values;
    const QString ranges = dayRanges(first, days.size(), values);
    values << HourKey::dayLowerBound(first)
           << HourKey::dayUpperBound(first.addDays(days.size() - 1));
    const QString app = onlyApp(appname, values);
    // CROSS JOIN keeps the order of the loops: the few odd rows outside, the days inside.
    if (!run(query,
             QStringLiteral("WITH days (i, lower, upper) AS (VALUES %1) "
                            "SELECT days.i, flowOddRow.id FROM flowOddRow "
                            "CROSS JOIN flowDetail ON flowDetail.rowid = flowOddRow.id "
                            "CROSS JOIN days ON dataymdh > days.lower AND dataymdh < days.upper "
                            "WHERE dataymdh > ? AND dataymdh < ? %2")
                 .arg(ranges, app),
             values))
        return false;
    while (query.next()) {
        Day &day = days[query.value(0).toInt()];
        day.odd = true;
        day.cover(query.value(1).toLongLong(), query.value(1).toLongLong());
    }
    query.finish();
    return true;
}

// The rows of an odd day, read between its first and last rowid only (of `appname` only,
// when given), in the order they were written.
bool selectOddDay(QSqlQuery &query, const QDate &day, const Day &span, const QString *appname)
{
    QVariantList values = {span.firstRow, span.lastRow, HourKey::dayLowerBound(day),
                           HourKey::dayUpperBound(day)};
    const QString app = onlyApp(appname, values);
    return run(query,
               QStringLiteral("SELECT * FROM flowDetail WHERE rowid BETWEEN ? AND ? AND "
                              "dataymdh > ? AND dataymdh < ? %1")
                   .arg(app),
               values);
}

// Calls `add` with each day of the period whose range holds the key, as SQLite's comparisons
// find them: a regular key lies in its own day's only, another may lie in two.
template <typename Add>
void forDaysHolding(const QString &key, const QDate &first, int count, Add add)
{
    const QByteArray bytes = key.size() == 13 ? key.toLatin1() : QByteArray();
    if (FlowSumBuild::isRegularKey(bytes.constData(), bytes.size())) {
        const int i = dayIndex(first, key);
        if (i >= 0 && i < count)
            add(i);
        return;
    }
    for (int i = 0; i < count; ++i)
        if (key > HourKey::dayLowerBound(first.addDays(i)) &&
            key < HourKey::dayUpperBound(first.addDays(i)))
            add(i);
}

// Calls `add` with each row after `after` (the sums' end or further) whose key lies in the period
// (of `appname` only, when given), in the order written.
template <typename Add>
bool forUnsummedRows(QSqlQuery &query, const QDate &first, int count, const UnsummedSpans &unsummed,
                     qint64 after, const QString *appname, Add add)
{
    const QString lower = HourKey::dayLowerBound(first);
    const QString upper = HourKey::dayUpperBound(first.addDays(count - 1));
    for (const UnsummedSpans::Range &range : unsummed.ranges(lower, upper, after)) {
        QVariantList values = {range.first, range.last};
        const QString app = onlyApp(appname, values);
        values << lower << upper;
        if (!run(query,
                 QStringLiteral("SELECT * FROM flowDetail WHERE rowid BETWEEN ? AND ? %1 AND "
                                "dataymdh > ? AND dataymdh < ? ORDER BY rowid")
                     .arg(app),
                 values))
            return false;
        qint64 rows = 0;
        for (; query.next(); ++rows)
            add(FlowRow::fromQuery(query));
        query.finish();
        UnsummedReads::countRead(rows);
    }
    return true;
}

// The period's records by day: those kept from its last answer during the build when they reach
// as far as the sums, or else `fromSums`; then the rows after them added by `add`.
template <typename FromSums, typename Add>
bool withUnsummedRows(QSqlQuery &query, const QDate &first, int count, UnsummedSpans &unsummed,
                      const QString *appname, UnsummedReads::Days &days, FromSums fromSums, Add add)
{
    const QString period = QStringLiteral("%1 %2 %3")
                               .arg(first.toString(Qt::ISODate))
                               .arg(count)
                               .arg(appname ? QLatin1Char('=') + *appname : QStringLiteral("*"));
    UnsummedReads *reads = unsummed.reads();
    qint64 after = unsummed.summedTo();
    if (!(reads && reads->resume(period, after, days)) && !fromSums())
        return false;
    if (!forUnsummedRows(
            query, first, count, unsummed, after, appname, [&](const AppFlowDateParameter &row) {
                forDaysHolding(row.date, first, count, [&](int i) { add(days[i], row); });
            }))
        return false;
    if (reads)
        reads->keep(period, unsummed.lastRow(), days);
    return true;
}

// The days' records of all applications as the sums and the odd days' rows give them, each
// day's in the order of its first row.
bool summedDayRecords(QSqlQuery &query, const QDate &first, int count,
                      QVector<QList<AppFlowDateParameter>> &records)
{
    records = QVector<QList<AppFlowDateParameter>>(count);
    QVector<Day> days(count);
    if (!run(query,
             QStringLiteral("SELECT appname, sName, hourKey, totalFlow, downloadedFlow, "
                            "uploadedFlow, dayKey, firstRow, lastRow FROM flowDaySum "
                            "WHERE dayKey BETWEEN ? AND ? ORDER BY dayKey, firstRow"),
             {dayKey(first), dayKey(first.addDays(count - 1))}))
        return false;
    while (query.next()) {
        const int i = dayIndex(first, query.value(6).toString());
        if (i < 0 || i >= count)
            continue;
        records[i].append(FlowRow::fromQuery(query));
        days[i].cover(query.value(7).toLongLong(), query.value(8).toLongLong());
    }
    query.finish();
    if (!markOddDays(query, days, first, nullptr))
        return false;
    for (int i = 0; i < count; ++i) {
        if (!days.at(i).odd)
            continue;
        records[i].clear();
        if (!selectOddDay(query, first.addDays(i), days.at(i), nullptr))
            return false;
        while (query.next())
            FlowMerge::mergeByAppname(records[i], FlowRow::fromQuery(query));
        query.finish();
    }
    return true;
}

// The days' records of all applications, as reading the rows finds them.
bool dayRecords(QSqlQuery &query, const QDate &first, int count, UnsummedSpans &unsummed,
                QVector<QList<AppFlowDateParameter>> &records)
{
    return withUnsummedRows(
        query, first, count, unsummed, nullptr, records,
        [&] { return summedDayRecords(query, first, count, records); },
        [](QList<AppFlowDateParameter> &day, const AppFlowDateParameter &row) {
            FlowMerge::mergeByAppname(day, row);
        });
}

bool mergeDays(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &first, int count,
               UnsummedSpans &unsummed)
{
    QVector<QList<AppFlowDateParameter>> records;
    if (!dayRecords(query, first, count, unsummed, records))
        return false;
    for (const QList<AppFlowDateParameter> &day : qAsConst(records))
        for (const AppFlowDateParameter &record : day)
            FlowMerge::mergeByAppname(list, record);
    return true;
}

// Replaces the application's hours of its odd days by those read from their rows.
bool readOddDays(QSqlQuery &query, const QString &appname, const QDate &first, QVector<Day> &days,
                 QVector<QList<AppFlowDateParameter>> &byDay)
{
    const int count = days.size();
    if (std::none_of(days.cbegin(), days.cend(), [](const Day &day) { return day.odd; }))
        return true;
    if (!run(query,
             QStringLiteral("SELECT dayKey, firstRow, lastRow FROM flowDaySum WHERE dayKey "
                            "BETWEEN ? AND ? AND appname = ?"),
             {dayKey(first), dayKey(first.addDays(count - 1)), appname}))
        return false;
    while (query.next()) {
        const int i = dayIndex(first, query.value(0).toString());
        if (i >= 0 && i < count)
            days[i].cover(query.value(1).toLongLong(), query.value(2).toLongLong());
    }
    query.finish();
    for (int i = 0; i < count; ++i) {
        if (!days.at(i).odd)
            continue;
        byDay[i].clear();
        if (!selectOddDay(query, first.addDays(i), days.at(i), &appname))
            return false;
        while (query.next())
            FlowMerge::mergeByDate(byDay[i], FlowRow::fromQuery(query));
        query.finish();
    }
    return true;
}

// The application's records of each day merged by hour key, as the sums and the odd days' rows
// give them.
bool summedHoursByDay(QSqlQuery &query, const QString &appname, const QDate &first, int count,
                      QVector<QList<AppFlowDateParameter>> &byDay)
{
    byDay = QVector<QList<AppFlowDateParameter>>(count);
    if (!run(query,
             QStringLiteral("SELECT appname, sName, hourKey, totalFlow, downloadedFlow, "
                            "uploadedFlow FROM flowHourSum WHERE appname = ? AND hourKey > ? "
                            "AND hourKey < ?"),
             {appname, HourKey::dayLowerBound(first),
              HourKey::dayUpperBound(first.addDays(count - 1))}))
        return false;
    while (query.next()) {
        const AppFlowDateParameter record = FlowRow::fromQuery(query);
        const int i = dayIndex(first, record.date);
        if (i >= 0 && i < count)
            byDay[i].append(record);
    }
    query.finish();
    QVector<Day> days(count);
    return markOddDays(query, days, first, &appname) &&
           readOddDays(query, appname, first, days, byDay);
}

// The application's records of each day merged by hour key, as reading its rows finds them.
bool hoursByDay(QSqlQuery &query, const QString &appname, const QDate &first, int count,
                UnsummedSpans &unsummed, QVector<QList<AppFlowDateParameter>> &byDay)
{
    return withUnsummedRows(
        query, first, count, unsummed, &appname, byDay,
        [&] { return summedHoursByDay(query, appname, first, count, byDay); },
        [](QList<AppFlowDateParameter> &day, const AppFlowDateParameter &row) {
            FlowMerge::mergeByDate(day, row);
        });
}
} // namespace

bool queryDay(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day,
              UnsummedSpans &unsummed)
{
    return mergeDays(query, list, day, 1, unsummed);
}

bool queryMonth(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day,
                UnsummedSpans &unsummed)
{
    const QDate first(day.year(), day.month(), 1);
    return mergeDays(query, list, first, first.daysInMonth(), unsummed);
}

bool queryDays(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &first, int count,
               UnsummedSpans &unsummed)
{
    return mergeDays(query, list, first, count, unsummed);
}

QList<AppFlowDateParameter> queryAppDay(QSqlQuery &query, const QString &appname, const QDate &day,
                                        UnsummedSpans &unsummed, bool *ok)
{
    QVector<QList<AppFlowDateParameter>> byDay;
    if (!hoursByDay(query, appname, day, 1, unsummed, byDay) && ok)
        *ok = false;
    return FlowMerge::hourlyAnswer(appname, day, byDay.value(0));
}

QList<AppFlowDateParameter> queryAppMonth(QSqlQuery &query, const QString &appname,
                                          const QDate &day, UnsummedSpans &unsummed, bool *ok)
{
    const QDate first(day.year(), day.month(), 1);
    QVector<QList<AppFlowDateParameter>> byDay;
    if (!hoursByDay(query, appname, first, first.daysInMonth(), unsummed, byDay) && ok)
        *ok = false;
    QList<AppFlowDateParameter> days;
    for (int i = 0; i < byDay.size(); ++i) {
        const QDate current = first.addDays(i);
        days.append(FlowMerge::dailyRecord(appname, current,
                                           FlowMerge::hourlyAnswer(appname, current, byDay.at(i))));
    }
    return days;
}

} // namespace SummaryFlowQueries
