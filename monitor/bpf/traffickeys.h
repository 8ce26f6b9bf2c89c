// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

/* Records shared by the kernel programs and the monitor that reads their maps. */
#ifndef NWT_TRAFFICKEYS_H
#define NWT_TRAFFICKEYS_H

#include <linux/types.h>

#define NWT_COMM_LEN 16
#define NWT_LOOPBACK_IFINDEX 1 /* lo has this index in every network namespace */

/* The process that created a socket; accepted sockets inherit their listener's. */
struct socket_owner
{
    __u32 tgid;
    __u32 uid;
    char comm[NWT_COMM_LEN];
};

struct traffic_key
{
    __u32 tgid;
    __u32 ifindex;
};

/* Bytes of one process through one interface, IP headers included. */
struct traffic_counters
{
    __u64 recv;
    __u64 send;
    __u32 uid;
    char comm[NWT_COMM_LEN];
};

#endif
