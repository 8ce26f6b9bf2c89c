// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "trafficprobe.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// One process's traffic over the last interval and since counting began, in bytes.
struct ProcessTraffic
{
    quint32 pid = 0;
    quint32 uid = 0;
    QString name;
    quint32 ifindex = 0;
    quint64 recvDelta = 0;
    quint64 sendDelta = 0;
    quint64 recvTotal = 0;
    quint64 sendTotal = 0;
};

// Turns the kernel's cumulative per-process, per-interface counters into per-process
// intervals and running totals; totals of one user can start again from zero.
class ProcessTotals
{
public:
    // The processes with traffic since the previous update. `device` of each is the
    // interface that carried most of its bytes in that interval.
    QList<ProcessTraffic> update(const QList<KernelCounters> &counters);
    void restartUser(quint32 uid);
    // Counters the kernel no longer keeps: a process that reuses their pid starts afresh.
    void forget(const QList<KernelCounters> &dropped);

private:
    struct Totals
    {
        quint32 uid = 0;
        quint64 recv = 0;
        quint64 send = 0;
    };

    QHash<quint64, KernelCounters> m_lastSeen; // by tgid and ifindex
    QHash<quint32, Totals> m_totals;           // by tgid
};
