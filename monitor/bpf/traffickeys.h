// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

/* Records shared by the kernel programs and the monitor that reads their maps. */
#ifndef NWT_TRAFFICKEYS_H
#define NWT_TRAFFICKEYS_H

#include <linux/types.h>

#define NWT_COMM_LEN 16
#define NWT_LOOPBACK_IFINDEX 1      /* lo has this index in every network namespace */
#define NWT_UNKNOWN_UID 0xffffffffu /* sockets open before the monitor started */

/* The process a socket's bytes belong to: its creator while that lives, then a live process
 * that holds it. `start` is the process's start in clock ticks after boot, as the 22nd field
 * of /proc/PID/stat gives it, so that a reused pid never names the same owner. */
struct socket_owner
{
    __u32 tgid;
    __u32 uid;
    __u64 start;
    char comm[NWT_COMM_LEN];
};

/* Bytes a socket carried since it was first counted, and the interface of its latest packet.
 * The monitor reads them from every open socket and works in differences. */
struct socket_traffic
{
    __u64 recv;
    __u64 send;
    __u32 ifindex;
    __u32 unused;
};

/* The socket-diagnostics interface does not show UDP sockets' storage: their counters are
 * kept by socket cookie instead. */
struct datagram_socket
{
    struct socket_owner owner; /* tgid 0 for a socket open before the monitor started */
    struct socket_traffic traffic;
};

/* A socket's last counters, handed over when its last holder closes it, with that process. */
struct closed_socket
{
    __u64 cookie;
    struct socket_owner owner;  /* tgid 0 for a socket open before the monitor started */
    struct socket_owner closer; /* tgid 0 when a kernel thread closed it */
    struct socket_traffic traffic;
};

/* Closed sockets not handed over (the table was full, or their user had used up their share)
 * and packets of UDP sockets the datagram table had no room for, and their bytes. */
struct traffic_losses
{
    __u64 refused;
    __u64 bytes;
};

#endif
