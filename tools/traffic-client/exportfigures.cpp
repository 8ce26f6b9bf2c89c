// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "exportfigures.h"

#include "presentation/historyview.h"
#include "service/periodnames.h"
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

// The days of this month and last month, to sum cycles that began in either.
class CycleSums
{
public:
    explicit CycleSums(TrafficService &service) : m_service(service) {}

    bool add(const QString &desktopId, const QDate &start, QList<ExportRow> *rows)
    {
        ExportRow row{desktopId, QStringLiteral("cycle"), start, 0, 0};
        double received = 0, sent = 0;
        for (const FlowPeriod period : {FlowPeriod::LastMonth, FlowPeriod::ThisMonth}) {
            HistoryView view;
            if (!history(desktopId, period, &view))
                return false;
            for (const WardenAppFlow &day : qAsConst(view.rows)) {
                if (QDate::fromString(view.rowDate(day), Qt::ISODate) >= start) {
                    received += day.downloaded;
                    sent += day.uploaded;
                }
            }
        }
        row.received = bytes(received);
        row.sent = bytes(sent);
        *rows << row;
        return true;
    }

private:
    bool history(const QString &desktopId, FlowPeriod period, HistoryView *view)
    {
        const QString key = desktopId + QLatin1Char(' ') + periodName(period);
        if (!m_days.contains(key)) {
            AppHistory history;
            if (!m_service.appHistory(desktopId, period, &history))
                return false;
            m_days.insert(key, {desktopId, {}, periodName(period), history.firstDay, history.rows});
        }
        *view = m_days.value(key);
        return true;
    }

    TrafficService &m_service;
    QMap<QString, HistoryView> m_days;
};

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
    CycleSums cycles(service);
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
            if (!cycles.add(id, start, rows))
                return false;
        }
    }
    return true;
}
