// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/trafficdetailsworker.h"

#include <QDebug>

// Kept counters: "<pid>/<desktop>" for a live process's counter, "0/<desktop>" for the
// application's base. A desktop name holds no "/", and pid 0 never reaches the tables.
namespace {
QString counterKey(int pid, const QString &desktop)
{
    return QString::number(pid) + QLatin1Char('/') + desktop;
}
} // namespace

CollectorSnapshot TrafficDetailsWorker::snapshot() const
{
    CollectorSnapshot snapshot;
    snapshot.identity = m_monitorIdentity;
    for (const int pid : m_processTotals.pids()) {
        const AppParameter process = m_processTotals.value(pid);
        snapshot.counters.insert(counterKey(pid, process.desktop), {process.recv, process.send});
    }
    for (auto it = m_totalBases.cbegin(); it != m_totalBases.cend(); ++it)
        snapshot.counters.insert(counterKey(0, it.key()), it.value());
    return snapshot;
}

// The same monitor still counts the kept processes; from another one they are history.
void TrafficDetailsWorker::restore(const CollectorSnapshot &kept)
{
    const bool sameMonitor = !m_monitorIdentity.isEmpty() && kept.identity == m_monitorIdentity;
    if (!kept.counters.isEmpty())
        qDebug() << "continue from the last save;"
                 << (sameMonitor ? "same network monitor" : "the network monitor started again");
    for (auto it = kept.counters.cbegin(); it != kept.counters.cend(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        const int pid = it.key().leftRef(slash).toInt();
        const QString desktop = it.key().mid(slash + 1);
        if (slash < 0 || desktop.isEmpty())
            continue;
        if (pid == 0 || !sameMonitor) {
            addToBase(desktop, it->first, it->second);
            continue;
        }
        AppParameter process;
        process.pid = pid;
        process.desktop = desktop;
        process.type = QStringLiteral("total_kb");
        process.recv = it->first;
        process.send = it->second;
        m_processTotals.insert(process);
    }
}
