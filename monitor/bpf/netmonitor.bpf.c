// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-2.0-or-later
/* Per-process traffic at the cgroup layer: sockets are tagged with their creator when made,
 * and every packet they carry is added to that process's counters. */
/* The helpers need the kernel's types first. */
#include <linux/bpf.h>

#include <bpf/bpf_helpers.h>

#include "traffickeys.h"

char LICENSE[] SEC("license") = "GPL";

/* Set by the monitor before loading. */
const volatile int count_loopback = 0;

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
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 65536);
    __type(key, struct traffic_key);
    __type(value, struct traffic_counters);
} traffic SEC(".maps");

SEC("cgroup/sock_create")
int record_socket_owner(struct bpf_sock *sk)
{
    struct socket_owner *owner =
        bpf_sk_storage_get(&socket_owners, sk, 0, BPF_SK_STORAGE_GET_F_CREATE);
    if (!owner)
        return 1;
    owner->tgid = bpf_get_current_pid_tgid() >> 32;
    owner->uid = (__u32)bpf_get_current_uid_gid();
    bpf_get_current_comm(owner->comm, sizeof(owner->comm));
    return 1;
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
    struct socket_owner *owner = bpf_sk_storage_get(&socket_owners, sk, 0, 0);
    if (!owner)
        return;

    struct traffic_key key = {.tgid = owner->tgid, .ifindex = skb->ifindex};
    struct traffic_counters *counters = bpf_map_lookup_elem(&traffic, &key);
    if (!counters) {
        struct traffic_counters fresh = {.uid = owner->uid};
        __builtin_memcpy(fresh.comm, owner->comm, sizeof(fresh.comm));
        bpf_map_update_elem(&traffic, &key, &fresh, BPF_NOEXIST);
        counters = bpf_map_lookup_elem(&traffic, &key);
        if (!counters)
            return;
    }
    if (egress)
        __sync_fetch_and_add(&counters->send, skb->len);
    else
        __sync_fetch_and_add(&counters->recv, skb->len);
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
