// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QSet>

// Each process's last "total_kb" counter from the running monitor, so that a sample adds only
// its growth. What has been credited never moves: a process that changes application, or is
// missing from one process list, goes on from its last counter. Bounded: a pid gone from the
// process list for some minutes is forgotten, and past the size limit the pids silent longest
// go first. A forgotten pid seen again counts its whole counter.
class ProcessCounters
{
public:
    using Figures = QPair<double, double>;

    // Five minutes covers a pid left out of a few lists; the monitor's own map holds 65,536.
    static constexpr qint64 kForgetAfterSecs = 300;
    static constexpr int kMostProcesses = 65536;

    explicit ProcessCounters(int mostProcesses = kMostProcesses);

    // Received and sent growth of `pid` since its last counter, the whole counter where it is
    // lower (it started again); `counter` becomes the last one.
    Figures take(int pid, Figures counter);
    // A pid missing from the lists for kForgetAfterSecs is forgotten; listed ones are kept.
    void markListed(const QSet<int> &listed, const QDateTime &now);
    QHash<int, Figures> counters() const;
    void clear() { m_byPid.clear(); }

private:
    struct Entry
    {
        Figures counter;
        // Order of the last sample, which tells the silent ones when the table is full.
        quint64 sampled = 0;
        QDateTime goneSince;
    };
    void makeRoom();

    int m_mostProcesses;
    quint64 m_samples = 0;
    QHash<int, Entry> m_byPid;
};
