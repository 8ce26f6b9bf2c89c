// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "socketdiag.h"
#include "traffickeys.h"

#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <optional>

struct netmonitor_bpf;

// What the kernel could not hand over since the start.
struct KernelLosses
{
    quint64 refused = 0; // closed sockets not handed over, UDP packets not counted
    quint64 bytes = 0;   // the bytes of those sockets and packets
};

// The kernel side: loads the eBPF programs, attaches them to one cgroup, reads the sockets'
// counters.
class TrafficProbe
{
public:
    // The size of the two socket tables, from a budget of 5 MiB of kernel memory (as the
    // kernel charges it, per entry with its hash element): the closed-socket table, 168 bytes
    // an entry, 2.6 MiB, emptied at every read (once a second) so it holds the sockets closed
    // within a second; the UDP table, 128 bytes an entry, 2.0 MiB, the open UDP sockets that
    // carried traffic. The per-user counts take 80 KiB each; the sockets' own storage (about
    // 200 bytes a socket) is charged with the socket.
    static constexpr quint32 defaultTableEntries = 16384;

    TrafficProbe();
    ~TrafficProbe();
    TrafficProbe(const TrafficProbe &) = delete;
    TrafficProbe &operator=(const TrafficProbe &) = delete;

    // False, with a message in `error`, when the programs cannot be loaded or attached. Each
    // user may fill a quarter of each table of `tableEntries` (at least one).
    bool start(const QString &cgroupPath, bool countLoopback, quint32 tableEntries, QString &error);
    enum class Listing { Whole, Partial, Unneeded, Failed };
    // The open sockets' counters and the sockets that closed since the previous read. The
    // open TCP sockets of a family are listed only when one of its TCP packets was counted
    // since the last listing (Partial: one family), and both every ten reads.
    Listing read(QList<SocketReading> &open, QList<closed_socket> &closed);
    // The inode of a UDP socket of the last read, 0 when it is not open in this network
    // namespace; the first call after a read lists the UDP sockets.
    quint32 datagramInode(quint64 cookie);
    KernelLosses losses() const;

private:
    void takeClosed(QList<closed_socket> &closed);
    std::array<quint64, 2> streamPackets() const; // over IPv4, over IPv6

    netmonitor_bpf *m_skeleton = nullptr;
    int m_cgroupFd = -1;
    std::unique_ptr<SocketDiag> m_diag;
    std::array<quint64, 2> m_listedStreamPackets{~quint64(0), ~quint64(0)};
    int m_readsSinceWhole = 0;
    std::optional<QHash<quint64, quint32>> m_datagramInodes; // by cookie
};
