// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/keptcounters.h"

#include <QDebug>

// Kept counters: "0/<desktop>" for what the application has been credited, "<pid>/" for a
// process's last counter. Files of the earlier service hold "<pid>/<desktop>" beside the
// credit: a live counter that was part of the application's total. A desktop name holds no
// "/", and pid 0 never reaches the tables.
CollectorSnapshot KeptCounters::snapshot(const QString &monitorIdentity,
                                         const ProcessCounters &processCounters,
                                         const ApplicationTotals &totals)
{
    CollectorSnapshot snapshot;
    snapshot.identity = monitorIdentity;
    const QHash<int, QPair<double, double>> counters = processCounters.counters();
    for (auto it = counters.cbegin(); it != counters.cend(); ++it)
        snapshot.counters.insert(QString::number(it.key()) + QLatin1Char('/'), *it);
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        snapshot.counters.insert(QStringLiteral("0/") + it.key(), *it);
    return snapshot;
}

// The same monitor still counts the kept processes; from another one they count from nothing.
void KeptCounters::restore(const CollectorSnapshot &kept, const QString &monitorIdentity,
                           ProcessCounters &counters, ApplicationTotals &totals)
{
    const bool sameMonitor = !monitorIdentity.isEmpty() && kept.identity == monitorIdentity;
    if (!kept.counters.isEmpty())
        qDebug() << "continue from the last save;"
                 << (sameMonitor ? "same network monitor" : "the network monitor started again");
    for (auto it = kept.counters.cbegin(); it != kept.counters.cend(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        if (slash < 0)
            continue;
        const int pid = it.key().leftRef(slash).toInt();
        const QString desktop = it.key().mid(slash + 1);
        if (!desktop.isEmpty()) {
            QPair<double, double> &total = totals[desktop];
            total.first += it->first;
            total.second += it->second;
        }
        if (pid != 0 && sameMonitor)
            counters.take(pid, *it);
    }
}
