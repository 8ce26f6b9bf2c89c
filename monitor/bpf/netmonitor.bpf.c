// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-2.0-or-later
/* Per-socket traffic at the cgroup layer. A packet only adds its length to counters in its
 * socket's own storage: no shared table on the hot path. The monitor reads every open
 * socket's counters and owner through the socket-diagnostics interface; a socket's last
 * counters are handed over in closed_sockets when it closes. */
/* The helpers need the kernel's types first. */
#include <linux/bpf.h>

#include <bpf/bpf_helpers.h>

#include "traffickeys.h"

char LICENSE[] SEC("license") = "GPL";

#define PF_KTHREAD 0x00200000
#define IPPROTO_UDP 17
#define AF_INET6 10

/* Set by the monitor before loading. */
const volatile int count_loopback = 0;
const volatile __u64 ns_per_tick = 10000000; /* of the tick /proc/PID/stat counts in */
const volatile __u64 uid_share = 1;          /* entries of each table one user may hold */

/* The few kernel fields used; libbpf fits their offsets to the running kernel. */
struct task_struct
{
    unsigned int flags;
    __u64 start_boottime;
    struct task_struct *group_leader;
} __attribute__((preserve_access_index));

/* BPF_F_CLONE hands a listener's owner to the sockets accept() returns. */
struct
{
    __uint(type, BPF_MAP_TYPE_SK_STORAGE);
    __uint(map_flags, BPF_F_NO_PREALLOC | BPF_F_CLONE);
    __type(key, int);
    __type(value, struct socket_owner);
} socket_owners SEC(".maps");

struct
{
    __uint(type, BPF_MAP_TYPE_SK_STORAGE);
    __uint(map_flags, BPF_F_NO_PREALLOC);
    __type(key, int);
    __type(value, struct socket_traffic);
} socket_traffic SEC(".maps");

/* By socket cookie; sized by the monitor before loading, emptied at each of its reads. */
struct
{
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 1);
    __type(key, __u64);
    __type(value, struct closed_socket);
} closed_sockets SEC(".maps");

/* By socket cookie; sized by the monitor before loading. */
struct
{
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 1);
    __type(key, __u64);
    __type(value, struct datagram_socket);
} datagram_sockets SEC(".maps");

/* Closed sockets waiting per user; the monitor clears it at each read. */
struct
{
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, __u64);
} closed_per_uid SEC(".maps");

/* UDP sockets in datagram_sockets per user (NWT_UNKNOWN_UID for those without an owner). */
struct
{
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, __u64);
} datagram_per_uid SEC(".maps");

struct
{
    __uint(type, BPF_MAP_TYPE_PERCPU_ARRAY);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, struct traffic_losses);
} losses SEC(".maps");

/* TCP packets counted per CPU, over IPv4 and over IPv6: while one stands still the monitor
 * need not list that family's sockets. */
struct
{
    __uint(type, BPF_MAP_TYPE_PERCPU_ARRAY);
    __uint(max_entries, 2);
    __type(key, __u32);
    __type(value, __u64);
} stream_packets SEC(".maps");

/* The calling process as an owner; false for a kernel thread. */
static __always_inline int current_owner(struct socket_owner *owner)
{
    struct task_struct *task = bpf_get_current_task_btf();
    if (task->flags & PF_KTHREAD)
        return 0;
    owner->tgid = bpf_get_current_pid_tgid() >> 32;
    owner->uid = (__u32)bpf_get_current_uid_gid();
    owner->start = task->group_leader->start_boottime / ns_per_tick;
    bpf_get_current_comm(owner->comm, sizeof(owner->comm));
    return 1;
}

static __always_inline void count_loss(__u64 bytes)
{
    __u32 zero = 0;
    struct traffic_losses *loss = bpf_map_lookup_elem(&losses, &zero);
    if (loss) {
        loss->refused += 1;
        loss->bytes += bytes;
    }
}

/* The user's count in `shares`, taken one up unless their share is used up; 0 then. */
static __always_inline __u64 *take_share(void *shares, __u32 uid)
{
    __u64 *used = bpf_map_lookup_elem(shares, &uid);
    if (!used) {
        const __u64 none = 0;
        bpf_map_update_elem(shares, &uid, &none, BPF_NOEXIST);
        used = bpf_map_lookup_elem(shares, &uid);
        if (!used)
            return 0;
    }
    if (*used >= uid_share)
        return 0;
    __sync_fetch_and_add(used, 1);
    return used;
}

static __always_inline void give_back_share(void *shares, __u32 uid)
{
    __u64 *used = bpf_map_lookup_elem(shares, &uid);
    if (used && *used > 0)
        __sync_fetch_and_add(used, -1);
}

static __always_inline __u32 datagram_uid(const struct datagram_socket *datagram)
{
    return datagram->owner.tgid ? datagram->owner.uid : NWT_UNKNOWN_UID;
}

SEC("cgroup/sock_create")
int record_socket_owner(struct bpf_sock *sk)
{
    struct socket_owner *owner =
        bpf_sk_storage_get(&socket_owners, sk, 0, BPF_SK_STORAGE_GET_F_CREATE);
    if (owner && current_owner(owner))
        bpf_sk_storage_get(&socket_traffic, sk, 0, BPF_SK_STORAGE_GET_F_CREATE);
    return 1;
}

/* Puts a socket's counters in closed_sockets: a new record, or fresher counters (and a closer
 * if it had none) in one still waiting. */
static __always_inline void hand_over(struct closed_socket *closed)
{
    struct closed_socket *waiting = bpf_map_lookup_elem(&closed_sockets, &closed->cookie);
    if (waiting) {
        waiting->traffic = closed->traffic;
        if (!waiting->closer.tgid)
            waiting->closer = closed->closer;
        return;
    }
    const __u32 uid = closed->owner.tgid ? closed->owner.uid : closed->closer.uid;
    if (!take_share(&closed_per_uid, uid) ||
        bpf_map_update_elem(&closed_sockets, &closed->cookie, closed, BPF_NOEXIST) != 0)
        count_loss(closed->traffic.recv + closed->traffic.send);
}

/* The last holder closes it. A TCP socket may go on sending after this; see watch_tcp. */
SEC("cgroup/sock_release")
int hand_over_closing_socket(struct bpf_sock *sk)
{
    struct closed_socket closed = {};
    closed.cookie = bpf_get_socket_cookie(sk);
    if (sk->protocol == IPPROTO_UDP) {
        struct datagram_socket *datagram = bpf_map_lookup_elem(&datagram_sockets, &closed.cookie);
        if (!datagram)
            return 1;
        closed.traffic = datagram->traffic;
        const __u32 user = datagram_uid(datagram);
        if (bpf_map_delete_elem(&datagram_sockets, &closed.cookie) == 0)
            give_back_share(&datagram_per_uid, user);
    } else {
        struct socket_traffic *traffic = bpf_sk_storage_get(&socket_traffic, sk, 0, 0);
        if (!traffic)
            return 1;
        closed.traffic = *traffic;
    }
    if (!closed.traffic.recv && !closed.traffic.send)
        return 1;
    struct socket_owner *owner = bpf_sk_storage_get(&socket_owners, sk, 0, 0);
    if (owner)
        closed.owner = *owner;
    current_owner(&closed.closer);
    hand_over(&closed);
    return 1;
}

/* A TCP connection's end: its last counters, after whatever it sent once closed by its holder
 * (such a socket soon drops out of the socket listing). Runs in any context: no closer. */
SEC("sockops")
int watch_tcp(struct bpf_sock_ops *ops)
{
    if (ops->op == BPF_SOCK_OPS_ACTIVE_ESTABLISHED_CB ||
        ops->op == BPF_SOCK_OPS_PASSIVE_ESTABLISHED_CB) {
        bpf_sock_ops_cb_flags_set(ops, ops->bpf_sock_ops_cb_flags | BPF_SOCK_OPS_STATE_CB_FLAG);
        return 1;
    }
    if (ops->op != BPF_SOCK_OPS_STATE_CB || ops->args[1] != BPF_TCP_CLOSE)
        return 1;
    struct bpf_sock *sk = ops->sk;
    if (!sk)
        return 1;
    struct socket_traffic *traffic = bpf_sk_storage_get(&socket_traffic, sk, 0, 0);
    if (!traffic || (!traffic->recv && !traffic->send))
        return 1;
    struct closed_socket closed = {};
    closed.cookie = bpf_get_socket_cookie(ops);
    closed.traffic = *traffic;
    struct socket_owner *owner = bpf_sk_storage_get(&socket_owners, sk, 0, 0);
    if (owner)
        closed.owner = *owner;
    hand_over(&closed);
    return 1;
}

static __always_inline void count_datagram(struct __sk_buff *skb, struct bpf_sock *sk, int egress)
{
    __u64 cookie = bpf_get_socket_cookie(skb);
    struct datagram_socket *datagram = bpf_map_lookup_elem(&datagram_sockets, &cookie);
    if (!datagram) {
        struct datagram_socket fresh = {};
        struct socket_owner *owner = bpf_sk_storage_get(&socket_owners, sk, 0, 0);
        if (owner)
            fresh.owner = *owner;
        const __u32 user = datagram_uid(&fresh);
        if (take_share(&datagram_per_uid, user) &&
            bpf_map_update_elem(&datagram_sockets, &cookie, &fresh, BPF_NOEXIST) != 0)
            give_back_share(&datagram_per_uid, user);
        datagram = bpf_map_lookup_elem(&datagram_sockets, &cookie);
        if (!datagram) {
            count_loss(skb->len);
            return;
        }
    }
    datagram->traffic.ifindex = skb->ifindex;
    if (egress)
        __sync_fetch_and_add(&datagram->traffic.send, skb->len);
    else
        __sync_fetch_and_add(&datagram->traffic.recv, skb->len);
}

static __always_inline void count_packet(struct __sk_buff *skb, int egress)
{
    if (skb->ifindex == NWT_LOOPBACK_IFINDEX && !count_loopback)
        return;
    struct bpf_sock *sk = skb->sk;
    if (!sk)
        return;
    sk = bpf_sk_fullsock(sk);
    if (!sk)
        return;
    if (sk->protocol == IPPROTO_UDP) {
        count_datagram(skb, sk, egress);
        return;
    }
    /* Accepted sockets and those open before the start get theirs at their first packet. */
    struct socket_traffic *traffic =
        bpf_sk_storage_get(&socket_traffic, sk, 0, BPF_SK_STORAGE_GET_F_CREATE);
    if (!traffic)
        return;
    __u32 family = sk->family == AF_INET6;
    __u64 *packets = bpf_map_lookup_elem(&stream_packets, &family);
    if (packets)
        *packets += 1;
    traffic->ifindex = skb->ifindex;
    if (egress)
        __sync_fetch_and_add(&traffic->send, skb->len);
    else
        __sync_fetch_and_add(&traffic->recv, skb->len);
}

SEC("cgroup_skb/ingress")
int count_ingress(struct __sk_buff *skb)
{
    count_packet(skb, 0);
    return 1;
}

SEC("cgroup_skb/egress")
int count_egress(struct __sk_buff *skb)
{
    count_packet(skb, 1);
    return 1;
}
