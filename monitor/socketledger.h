// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "socketdiag.h"
#include "traffickeys.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

// Bytes one process carried through one interface since the previous read. A process is its
// user, its pid and its start (clock ticks after boot), so that a reused pid is another one.
struct ProcessGrowth
{
    quint32 uid = 0;
    quint32 tgid = 0;
    quint64 start = 0;
    quint32 ifindex = 0;
    QString comm;
    quint64 recv = 0;
    quint64 send = 0;
};

// Turns the sockets' own ever-growing counters into per-process growth, each byte once. A
// socket's bytes go to its owner while that lives, then to a live process that holds it (as
// the /proc descriptor tables show), or when it closed, to the process that closed it.
class SocketLedger
{
public:
    using HolderSearch = std::function<QHash<quint32, quint32>(const QSet<quint32> &)>;
    using OwnerLookup = std::function<bool(quint32 pid, socket_owner &)>;
    using StartLookup = std::function<quint64(quint32 pid)>;    // 0: no such process
    using InodeLookup = std::function<quint32(quint64 cookie)>; // of a datagram socket

    SocketLedger(HolderSearch findHolders, OwnerLookup lookUpOwner, StartLookup processStart,
                 InodeLookup datagramInode);

    // One read: the open sockets (`complete` when the listing was whole) and the sockets
    // handed over as they closed since the previous read.
    QList<ProcessGrowth> update(const QList<SocketReading> &open, bool complete,
                                const QList<closed_socket> &closed);
    int socketsKept() const { return int(m_sockets.size()); }

private:
    struct Socket
    {
        socket_owner owner{}; // tgid 0 while none is known
        quint64 recv = 0;     // counters already given out
        quint64 send = 0;
        quint64 lastSeen = 0; // the read that last listed it or handed it over
        bool closed = false;
    };

    bool alive(const socket_owner &owner);
    void findHolders(const QHash<quint32, quint64> &orphans); // cookies by inode
    void credit(Socket &socket, const socket_traffic &traffic,
                QHash<QByteArray, ProcessGrowth> &growth);

    HolderSearch m_findHolders;
    OwnerLookup m_lookUpOwner;
    StartLookup m_processStart;
    InodeLookup m_datagramInode;
    QHash<quint64, Socket> m_sockets;        // by socket cookie
    QHash<quint32, quint64> m_startThisRead; // by pid
    quint64 m_reads = 0;
    QElapsedTimer m_sinceSearch;
    bool m_lastSearchFound = true;
};
