// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trafficprobe.h"

#include "existingsockets.h"

#include "netmonitor.skel.h"
#include "traffickeys.h"

#include <bpf/bpf.h>
#include <bpf/libbpf.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(strerror(error < 0 ? -error : error));
}

} // namespace

TrafficProbe::TrafficProbe() = default;

TrafficProbe::~TrafficProbe()
{
    netmonitor_bpf__destroy(m_skeleton);
    if (m_cgroupFd >= 0)
        close(m_cgroupFd);
}

bool TrafficProbe::start(const QString &cgroupPath, bool countLoopback, QString &error)
{
    m_cgroupFd = open(cgroupPath.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_cgroupFd < 0) {
        error = QStringLiteral("cannot open the cgroup %1: %2").arg(cgroupPath, systemError(errno));
        return false;
    }
    m_skeleton = netmonitor_bpf__open();
    if (!m_skeleton) {
        error = QStringLiteral("cannot open the eBPF object: %1").arg(systemError(errno));
        return false;
    }
    m_skeleton->rodata->count_loopback = countLoopback ? 1 : 0;
    if (int result = netmonitor_bpf__load(m_skeleton)) {
        error = QStringLiteral("cannot load the eBPF programs: %1 (the monitor needs root or "
                               "CAP_BPF with CAP_NET_ADMIN, and a kernel with BTF and cgroup "
                               "socket storage)")
                    .arg(systemError(result));
        return false;
    }
    struct bpf_program *programs[] = {m_skeleton->progs.record_socket_owner,
                                      m_skeleton->progs.count_ingress,
                                      m_skeleton->progs.count_egress};
    struct bpf_link **links[] = {&m_skeleton->links.record_socket_owner,
                                 &m_skeleton->links.count_ingress, &m_skeleton->links.count_egress};
    for (size_t i = 0; i < std::size(programs); ++i) {
        *links[i] = bpf_program__attach_cgroup(programs[i], m_cgroupFd);
        if (!*links[i]) {
            error = QStringLiteral("cannot attach %1 to the cgroup %2: %3")
                        .arg(QString::fromLatin1(bpf_program__name(programs[i])), cgroupPath,
                             systemError(errno));
            return false;
        }
    }
    // After attaching: sockets made meanwhile already carry their owner.
    m_adoptedSockets = adoptExistingSockets(bpf_map__fd(m_skeleton->maps.socket_owners));
    return true;
}

QList<KernelCounters> TrafficProbe::read() const
{
    QList<KernelCounters> result;
    const int map = bpf_map__fd(m_skeleton->maps.traffic);
    traffic_key key{};
    traffic_key next{};
    traffic_key *previous = nullptr;
    while (bpf_map_get_next_key(map, previous, &next) == 0) {
        traffic_counters value{};
        if (bpf_map_lookup_elem(map, &next, &value) == 0) {
            KernelCounters counters;
            counters.tgid = next.tgid;
            counters.ifindex = next.ifindex;
            counters.uid = value.uid;
            counters.comm = QString::fromUtf8(value.comm, int(strnlen(value.comm, NWT_COMM_LEN)));
            counters.recv = value.recv;
            counters.send = value.send;
            result.append(counters);
        }
        key = next;
        previous = &key;
    }
    return result;
}

QList<KernelCounters> TrafficProbe::forgetExited(const QList<KernelCounters> &counters)
{
    QList<KernelCounters> dropped;
    const int map = bpf_map__fd(m_skeleton->maps.traffic);
    for (const KernelCounters &entry : counters) {
        if (kill(pid_t(entry.tgid), 0) == 0 || errno != ESRCH)
            continue;
        traffic_key key{entry.tgid, entry.ifindex};
        if (bpf_map_delete_elem(map, &key) == 0)
            dropped.append(entry);
    }
    return dropped;
}
