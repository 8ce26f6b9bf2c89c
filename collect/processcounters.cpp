// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/processcounters.h"

#include <QDebug>
#include <algorithm>

ProcessCounters::ProcessCounters(int mostProcesses) : m_mostProcesses(qMax(mostProcesses, 1)) {}

ProcessCounters::Figures ProcessCounters::take(int pid, Figures counter)
{
    auto found = m_byPid.find(pid);
    if (found == m_byPid.end()) {
        makeRoom();
        found = m_byPid.insert(pid, {});
    }
    const Figures last = found->counter;
    found->counter = counter;
    found->sampled = ++m_samples;
    return {counter.first >= last.first ? counter.first - last.first : counter.first,
            counter.second >= last.second ? counter.second - last.second : counter.second};
}

void ProcessCounters::markListed(const QSet<int> &listed, const QDateTime &now)
{
    for (auto it = m_byPid.begin(); it != m_byPid.end();) {
        if (listed.contains(it.key())) {
            it->goneSince = {};
        } else if (!it->goneSince.isValid() || now < it->goneSince) {
            // A clock set back restarts the wait rather than ending it.
            it->goneSince = now;
        } else if (it->goneSince.secsTo(now) >= kForgetAfterSecs) {
            it = m_byPid.erase(it);
            continue;
        }
        ++it;
    }
}

QHash<int, ProcessCounters::Figures> ProcessCounters::counters() const
{
    QHash<int, Figures> counters;
    for (auto it = m_byPid.cbegin(); it != m_byPid.cend(); ++it)
        counters.insert(it.key(), it->counter);
    return counters;
}

// Frees an eighth of the table at once, the gone pids first, then the longest silent, so that
// a full table is not sorted again for every new pid.
void ProcessCounters::makeRoom()
{
    if (m_byPid.size() < m_mostProcesses)
        return;
    QList<QPair<QPair<bool, quint64>, int>> order;
    order.reserve(m_byPid.size());
    for (auto it = m_byPid.cbegin(); it != m_byPid.cend(); ++it)
        order.append({{!it->goneSince.isValid(), it->sampled}, it.key()});
    const int drop = qMax(m_byPid.size() - m_mostProcesses * 7 / 8, 1);
    std::partial_sort(order.begin(), order.begin() + drop, order.end());
    for (int i = 0; i < drop; ++i)
        m_byPid.remove(order.at(i).second);
    qDebug() << "process counters full:" << drop << "forgotten, the longest silent first";
}
