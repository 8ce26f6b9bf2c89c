// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

// A data budget as the queries interface lists it: one application's (or, with an empty
// desktop id, all traffic's) limit over a day or a monthly cycle, and the use so far.
struct WardenBudget
{
    QString desktopId;         // empty for all traffic
    QString period;            // "day" or "month"
    quint64 limitBytes = 0;    // above zero
    quint64 usedBytes = 0;     // in the current day or cycle
    quint32 warnPercent = 80;  // 1..100
    quint32 cycleStartDay = 1; // 1..28; the day a monthly cycle starts
    QString cycleStart;        // first day of the current day or cycle, yyyy-MM-dd
};

using WardenBudgetList = QList<WardenBudget>;

QDBusArgument &operator<<(QDBusArgument &argument, const WardenBudget &budget);
const QDBusArgument &operator>>(const QDBusArgument &argument, WardenBudget &budget);

void registerWardenBudgetMetaType();

Q_DECLARE_METATYPE(WardenBudget)
Q_DECLARE_METATYPE(WardenBudgetList)
