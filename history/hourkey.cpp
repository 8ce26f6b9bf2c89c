// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/hourkey.h"

namespace HourKey {

QString of(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy/MM/dd/hh"));
}

QString of(const QDate &day, int hour)
{
    return day.toString(QStringLiteral("yyyy/MM/dd/")) +
           QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'));
}

QString dayLowerBound(const QDate &day)
{
    return of(day.addDays(-1), 23);
}

QString dayUpperBound(const QDate &day)
{
    return of(day.addDays(1), 0);
}

QString retentionBound(const QDate &today)
{
    const QDate bound = today.addMonths(-2);
    return of(QDate(bound.year(), bound.month(), 1), 0);
}

} // namespace HourKey
