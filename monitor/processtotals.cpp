// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "processtotals.h"

#include <QDataStream>
#include <QIODevice>

#include <utility>

namespace {

// Totals of a process quiet for this many updates (one a second) are let go once it has ended.
constexpr quint64 quietUpdatesKept = 600;

QByteArray processKey(quint32 uid, quint32 pid, quint64 start)
{
    QByteArray key;
    QDataStream(&key, QIODevice::WriteOnly) << uid << pid << start;
    return key;
}

} // namespace

ProcessTotals::ProcessTotals(StartLookup processStart) : m_processStart(std::move(processStart)) {}

QList<ProcessTraffic> ProcessTotals::update(const QList<ProcessGrowth> &growth)
{
    ++m_updates;
    QHash<QByteArray, ProcessTraffic> byProcess;
    QHash<QByteArray, quint64> busiestDeviceBytes;
    for (const ProcessGrowth &entry : growth) {
        const QByteArray key = processKey(entry.uid, entry.tgid, entry.start);
        ProcessTraffic &process = byProcess[key];
        process.pid = entry.tgid;
        process.uid = entry.uid;
        process.start = entry.start;
        process.name = entry.comm;
        process.recvDelta += entry.recv;
        process.sendDelta += entry.send;
        quint64 &busiest = busiestDeviceBytes[key];
        if (entry.recv + entry.send > busiest) {
            busiest = entry.recv + entry.send;
            process.ifindex = entry.ifindex;
        }
    }

    QList<ProcessTraffic> result;
    for (auto it = byProcess.begin(); it != byProcess.end(); ++it) {
        Totals &running = m_totals[it.key()];
        running.recv += it->recvDelta;
        running.send += it->sendDelta;
        running.lastGrowth = m_updates;
        it->recvTotal = running.recv;
        it->sendTotal = running.send;
        result.append(*it);
    }
    for (auto it = m_totals.begin(); it != m_totals.end();) {
        quint32 uid = 0, pid = 0;
        quint64 start = 0;
        if (m_updates - it->lastGrowth > quietUpdatesKept) {
            QDataStream(it.key()) >> uid >> pid >> start;
            if (m_processStart(pid) != start) {
                it = m_totals.erase(it);
                continue;
            }
            it->lastGrowth = m_updates; // alive: looked at again after as long
        }
        ++it;
    }
    return result;
}
