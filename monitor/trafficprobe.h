// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>

#include <memory>

struct netmonitor_bpf;

// Bytes of one process through one interface since the kernel started counting it.
struct KernelCounters
{
    quint32 tgid = 0;
    quint32 ifindex = 0;
    quint32 uid = 0;
    QString comm;
    quint64 recv = 0;
    quint64 send = 0;
};

// The kernel side: loads the eBPF programs, attaches them to one cgroup, reads their counters.
class TrafficProbe
{
public:
    TrafficProbe();
    ~TrafficProbe();
    TrafficProbe(const TrafficProbe &) = delete;
    TrafficProbe &operator=(const TrafficProbe &) = delete;

    // False, with a message in `error`, when the programs cannot be loaded or attached.
    bool start(const QString &cgroupPath, bool countLoopback, QString &error);
    // Sockets already open at the start that were given their owner.
    int adoptedSockets() const { return m_adoptedSockets; }
    QList<KernelCounters> read() const;
    // Drops the counters of processes that have ended, so their pids can be reused;
    // returns the entries dropped.
    QList<KernelCounters> forgetExited(const QList<KernelCounters> &counters);

private:
    netmonitor_bpf *m_skeleton = nullptr;
    int m_cgroupFd = -1;
    int m_adoptedSockets = 0;
};
