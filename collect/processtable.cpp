// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/processtable.h"

void ProcessTable::insert(const AppParameter &figures)
{
    take(figures.pid);
    m_byPid.insert(figures.pid, figures);
    m_pidsByDesktop[figures.desktop].insert(figures.pid);
}

AppParameter ProcessTable::take(int pid)
{
    const auto found = m_byPid.constFind(pid);
    if (found == m_byPid.constEnd())
        return {};
    const AppParameter figures = *found;
    m_byPid.erase(found);
    QSet<int> &pids = m_pidsByDesktop[figures.desktop];
    pids.remove(pid);
    if (pids.isEmpty())
        m_pidsByDesktop.remove(figures.desktop);
    return figures;
}

QPair<double, double> ProcessTable::sum(const QString &desktop) const
{
    QPair<double, double> sum(0, 0);
    for (const int pid : m_pidsByDesktop.value(desktop)) {
        const AppParameter &figures = m_byPid[pid];
        sum.first += figures.recv;
        sum.second += figures.send;
    }
    return sum;
}
