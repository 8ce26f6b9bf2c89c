// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "socketledger.h"

#include <QDataStream>
#include <QIODevice>

#include <utility>

namespace {

// After a search of the descriptor tables that found no holder, the next waits this long:
// a socket may be in flight over a unix socket for a while.
constexpr qint64 fruitlessSearchPauseMs = 10000;
// A socket missing from this many whole listings in a row has gone without being handed over.
constexpr quint64 unlistedReadsKept = 3;

QByteArray growthKey(const socket_owner &owner, quint32 ifindex)
{
    QByteArray key;
    QDataStream(&key, QIODevice::WriteOnly)
        << owner.uid << owner.tgid << quint64(owner.start) << ifindex;
    return key;
}

} // namespace

SocketLedger::SocketLedger(HolderSearch findHolders, OwnerLookup lookUpOwner,
                           StartLookup processStart, InodeLookup datagramInode)
    : m_findHolders(std::move(findHolders)), m_lookUpOwner(std::move(lookUpOwner)),
      m_processStart(std::move(processStart)), m_datagramInode(std::move(datagramInode))
{
}

QList<ProcessGrowth> SocketLedger::update(const QList<SocketReading> &open, bool complete,
                                          const QList<closed_socket> &closed)
{
    ++m_reads;
    m_startThisRead.clear();
    QHash<QByteArray, ProcessGrowth> growth;

    QHash<quint32, quint64> orphans;
    QHash<quint64, quint32> inodes; // of the sockets whose owner has gone
    for (const SocketReading &reading : open) {
        Socket &socket = m_sockets[reading.cookie];
        socket.lastSeen = m_reads;
        if (socket.owner.tgid == 0 && reading.hasOwner)
            socket.owner = reading.owner;
        const bool grew = reading.traffic.recv > socket.recv || reading.traffic.send > socket.send;
        if (!grew || alive(socket.owner))
            continue;
        const quint32 inode = reading.datagram ? m_datagramInode(reading.cookie) : reading.inode;
        inodes.insert(reading.cookie, inode);
        if (inode != 0)
            orphans.insert(inode, reading.cookie);
    }
    if (!orphans.isEmpty())
        findHolders(orphans);
    for (const SocketReading &reading : open) {
        Socket &socket = m_sockets[reading.cookie];
        // A socket no process holds any more (closed, its last packets still going) stays
        // with whoever had it; one whose holder is still to be found keeps its bytes.
        if (socket.owner.tgid != 0 && (alive(socket.owner) || inodes.value(reading.cookie) == 0))
            credit(socket, reading.traffic, growth);
    }

    for (const closed_socket &record : closed) {
        Socket &socket = m_sockets[record.cookie];
        socket.lastSeen = m_reads;
        socket.closed = true;
        if (socket.owner.tgid == 0)
            socket.owner = record.owner;
        if (!alive(socket.owner) && record.closer.tgid != 0)
            socket.owner = record.closer;
        if (socket.owner.tgid != 0)
            credit(socket, record.traffic, growth);
    }

    if (complete) {
        for (auto it = m_sockets.begin(); it != m_sockets.end();) {
            const quint64 unlisted = m_reads - it->lastSeen;
            if (unlisted >= (it->closed ? 1 : unlistedReadsKept))
                it = m_sockets.erase(it);
            else
                ++it;
        }
    }
    return growth.values();
}

bool SocketLedger::alive(const socket_owner &owner)
{
    if (owner.tgid == 0)
        return false;
    auto start = m_startThisRead.find(owner.tgid);
    if (start == m_startThisRead.end())
        start = m_startThisRead.insert(owner.tgid, m_processStart(owner.tgid));
    return *start == owner.start;
}

void SocketLedger::findHolders(const QHash<quint32, quint64> &orphans)
{
    if (!m_lastSearchFound && m_sinceSearch.isValid() &&
        !m_sinceSearch.hasExpired(fruitlessSearchPauseMs))
        return;
    const QList<quint32> inodes = orphans.keys();
    const QHash<quint32, quint32> holders =
        m_findHolders(QSet<quint32>(inodes.cbegin(), inodes.cend()));
    m_lastSearchFound = false;
    for (auto it = holders.cbegin(); it != holders.cend(); ++it) {
        socket_owner holder{};
        if (m_lookUpOwner(it.value(), holder)) {
            m_sockets[orphans.value(it.key())].owner = holder;
            m_startThisRead.insert(holder.tgid, holder.start);
            m_lastSearchFound = true;
        }
    }
    m_sinceSearch.start();
}

void SocketLedger::credit(Socket &socket, const socket_traffic &traffic,
                          QHash<QByteArray, ProcessGrowth> &growth)
{
    const quint64 recv = traffic.recv > socket.recv ? traffic.recv - socket.recv : 0;
    const quint64 send = traffic.send > socket.send ? traffic.send - socket.send : 0;
    socket.recv = qMax<quint64>(socket.recv, traffic.recv);
    socket.send = qMax<quint64>(socket.send, traffic.send);
    if (recv == 0 && send == 0)
        return;
    ProcessGrowth &process = growth[growthKey(socket.owner, traffic.ifindex)];
    process.uid = socket.owner.uid;
    process.tgid = socket.owner.tgid;
    process.start = socket.owner.start;
    process.ifindex = traffic.ifindex;
    process.comm = QString::fromUtf8(socket.owner.comm,
                                     int(qstrnlen(socket.owner.comm, sizeof socket.owner.comm)));
    process.recv += recv;
    process.send += send;
}
