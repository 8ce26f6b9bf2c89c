// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "processtotals.h"

namespace {

quint64 counterKey(const KernelCounters &counters)
{
    return (quint64(counters.tgid) << 32) | counters.ifindex;
}

// A counter below its last reading was dropped and created again: all of it is new.
quint64 growth(quint64 now, quint64 before)
{
    return now >= before ? now - before : now;
}

} // namespace

QList<ProcessTraffic> ProcessTotals::update(const QList<KernelCounters> &counters)
{
    QHash<quint32, ProcessTraffic> byProcess;
    QHash<quint32, quint64> busiestDeviceBytes;
    QHash<quint64, KernelCounters> seen;
    for (const KernelCounters &entry : counters) {
        const quint64 key = counterKey(entry);
        seen.insert(key, entry);
        const KernelCounters before = m_lastSeen.value(key);
        const quint64 recv = growth(entry.recv, before.recv);
        const quint64 send = growth(entry.send, before.send);
        if (recv == 0 && send == 0)
            continue;
        ProcessTraffic &process = byProcess[entry.tgid];
        process.pid = entry.tgid;
        process.uid = entry.uid;
        process.name = entry.comm;
        process.recvDelta += recv;
        process.sendDelta += send;
        quint64 &busiest = busiestDeviceBytes[entry.tgid];
        if (recv + send > busiest) {
            busiest = recv + send;
            process.ifindex = entry.ifindex;
        }
    }
    m_lastSeen = seen;

    QHash<quint32, Totals> totals;
    for (const KernelCounters &entry : counters)
        totals.insert(entry.tgid, m_totals.value(entry.tgid, Totals{entry.uid, 0, 0}));
    QList<ProcessTraffic> result;
    for (ProcessTraffic &process : byProcess) {
        Totals &running = totals[process.pid];
        running.recv += process.recvDelta;
        running.send += process.sendDelta;
        process.recvTotal = running.recv;
        process.sendTotal = running.send;
        result.append(process);
    }
    m_totals = totals;
    return result;
}

void ProcessTotals::restartUser(quint32 uid)
{
    for (Totals &running : m_totals) {
        if (running.uid == uid)
            running.recv = running.send = 0;
    }
}

void ProcessTotals::forget(const QList<KernelCounters> &dropped)
{
    for (const KernelCounters &entry : dropped) {
        m_lastSeen.remove(counterKey(entry));
        m_totals.remove(entry.tgid);
    }
}
