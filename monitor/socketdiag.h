// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "traffickeys.h"

#include <QList>
#include <QtGlobal>

// One open IPv4 or IPv6 socket, as the socket-diagnostics interface reports it with the
// storage the kernel programs keep for it.
struct SocketReading
{
    quint64 cookie = 0;
    quint32 inode = 0;     // 0 once no process holds it
    bool datagram = false; // UDP: the inode is looked up only when needed
    bool hasOwner = false;
    socket_owner owner{};
    bool hasTraffic = false; // never for UDP: the interface leaves out their storage
    socket_traffic traffic{};
};

// Lists the TCP or UDP sockets of the monitor's network namespace with the values the kernel
// programs keep for them (reading those values needs CAP_BPF). Each listing walks the
// kernel's whole socket table of that protocol, once per address family.
class SocketDiag
{
public:
    SocketDiag(int ownerMap, int trafficMap);
    ~SocketDiag();
    SocketDiag(const SocketDiag &) = delete;
    SocketDiag &operator=(const SocketDiag &) = delete;

    // IPPROTO_TCP or IPPROTO_UDP, of AF_INET, AF_INET6 or both. False when the kernel refused
    // a listing; `sockets` then holds what came before.
    bool read(quint8 protocol, const QList<quint8> &families, QList<SocketReading> &sockets);

private:
    bool dump(quint8 family, quint8 protocol, QList<SocketReading> &sockets);
    void parse(const char *message, int length, QList<SocketReading> &sockets) const;

    int m_ownerMap;
    int m_trafficMap;
    quint32 m_ownerMapId = 0;
    quint32 m_trafficMapId = 0;
    int m_netlink = -1;
};
