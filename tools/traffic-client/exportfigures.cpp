// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "exportfigures.h"

#include "presentation/historyview.h"
#include "records/periodnames.h"
#include "trafficservice.h"

#include <QMap>
#include <QSet>
#include <cmath>

namespace {

quint64 bytes(double kibibytes)
{
    return kibibytes > 0 ? quint64(std::llround(kibibytes * 1024)) : 0;
}

QString desktopIdOf(const WardenDisplay &row)
{
    return row.desktopName.isEmpty() ? row.appName : row.desktopName;
}

// One row per application: a list may hold an application more than once.
QList<ExportRow> periodRows(const QString &period, const WardenDisplayList &totals)
{
    QMap<QString, std::pair<double, double>> sums;
    for (const WardenDisplay &row : totals) {
        auto &sum = sums[desktopIdOf(row)];
        sum.first += row.recvSum;
        sum.second += row.sendSum;
    }
    QList<ExportRow> rows;
    for (auto sum = sums.cbegin(); sum != sums.cend(); ++sum)
        rows << ExportRow{sum.key(), period, {}, bytes(sum->first), bytes(sum->second)};
    return rows;
}

// Days of this month and last month already asked for, by "desktop-id period".
using DayCache = QMap<QString, HistoryView>;

bool days(TrafficService &service, DayCache &cache, const QString &desktopId, FlowPeriod period,
          HistoryView *view)
{
    const QString key = desktopId + QLatin1Char(' ') + periodName(period);
    if (!cache.contains(key)) {
        AppHistory history;
        if (!service.appHistory(desktopId, period, &history))
            return false;
        cache.insert(key, {desktopId, {}, periodName(period), history.firstDay, history.rows});
    }
    *view = cache.value(key);
    return true;
}

// The application's bytes from `start` on: a cycle begins last month or this month.
bool addCycle(TrafficService &service, DayCache &cache, const QString &desktopId,
              const QDate &start, QList<ExportRow> *rows)
{
    double received = 0, sent = 0;
    for (const FlowPeriod period : {FlowPeriod::LastMonth, FlowPeriod::ThisMonth}) {
        HistoryView view;
        if (!days(service, cache, desktopId, period, &view))
            return false;
        for (const WardenAppFlow &day : qAsConst(view.rows)) {
            if (QDate::fromString(view.rowDate(day), Qt::ISODate) >= start) {
                received += day.downloaded;
                sent += day.uploaded;
            }
        }
    }
    *rows << ExportRow{desktopId, QStringLiteral("cycle"), start, bytes(received), bytes(sent)};
    return true;
}

} // namespace

bool exportFigures(TrafficService &service, QList<ExportRow> *rows)
{
    PeriodTotals today, month, lastMonth;
    if (!service.totals(FlowPeriod::Today, &today) ||
        !service.totals(FlowPeriod::ThisMonth, &month))
        return false;
    *rows = periodRows(QStringLiteral("today"), today.rows) +
            periodRows(QStringLiteral("month"), month.rows);

    // A service from before budgets has none to give: today and this month are still worth it.
    WardenBudgetList budgets;
    if (!service.budgets(&budgets))
        return true;
    DayCache cache;
    QSet<QString> done;
    QStringList everyone; // applications with traffic this month or last, for all-traffic budgets
    for (const WardenBudget &budget : qAsConst(budgets)) {
        const QDate start = QDate::fromString(budget.cycleStart, Qt::ISODate);
        if (budget.period != QLatin1String("month") || !start.isValid())
            continue;
        if (budget.desktopId.isEmpty() && everyone.isEmpty()) {
            if (!service.totals(FlowPeriod::LastMonth, &lastMonth))
                return false;
            QSet<QString> ids;
            for (const WardenDisplay &row : month.rows + lastMonth.rows) {
                if (row.recvSum + row.sendSum > 0)
                    ids.insert(desktopIdOf(row));
            }
            everyone = ids.values();
            everyone.sort();
        }
        for (const QString &id :
             budget.desktopId.isEmpty() ? everyone : QStringList{budget.desktopId}) {
            const QString key = id + QLatin1Char(' ') + budget.cycleStart;
            if (done.contains(key))
                continue;
            done.insert(key);
            if (!addCycle(service, cache, id, start, rows))
                return false;
        }
    }
    return true;
}
