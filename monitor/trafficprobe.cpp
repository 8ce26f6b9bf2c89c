// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trafficprobe.h"

#include "netmonitor.skel.h"
#include "traffickeys.h"

#include <bpf/bpf.h>
#include <bpf/libbpf.h>

#include <QHash>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr quint32 userTableEntries = 1024;
constexpr int wholeListingEvery = 10; // reads

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

bool TrafficProbe::start(const QString &cgroupPath, bool countLoopback, quint32 tableEntries,
                         QString &error)
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
    m_skeleton->rodata->ns_per_tick = quint64(1000000000 / sysconf(_SC_CLK_TCK));
    m_skeleton->rodata->uid_share = qMax<quint64>(1, tableEntries / 4);
    bpf_map__set_max_entries(m_skeleton->maps.closed_sockets, qMax<quint32>(1, tableEntries));
    bpf_map__set_max_entries(m_skeleton->maps.datagram_sockets, qMax<quint32>(1, tableEntries));
    bpf_map__set_max_entries(m_skeleton->maps.closed_per_uid, userTableEntries);
    bpf_map__set_max_entries(m_skeleton->maps.datagram_per_uid, userTableEntries);
    if (int result = netmonitor_bpf__load(m_skeleton)) {
        error = QStringLiteral("cannot load the eBPF programs: %1 (the monitor needs root or "
                               "CAP_BPF, CAP_PERFMON and CAP_NET_ADMIN, and a kernel with BTF "
                               "and cgroup socket storage)")
                    .arg(systemError(result));
        return false;
    }
    struct bpf_program *programs[] = {m_skeleton->progs.record_socket_owner,
                                      m_skeleton->progs.hand_over_closing_socket,
                                      m_skeleton->progs.watch_tcp, m_skeleton->progs.count_ingress,
                                      m_skeleton->progs.count_egress};
    struct bpf_link **links[] = {&m_skeleton->links.record_socket_owner,
                                 &m_skeleton->links.hand_over_closing_socket,
                                 &m_skeleton->links.watch_tcp, &m_skeleton->links.count_ingress,
                                 &m_skeleton->links.count_egress};
    for (size_t i = 0; i < std::size(programs); ++i) {
        *links[i] = bpf_program__attach_cgroup(programs[i], m_cgroupFd);
        if (!*links[i]) {
            error = QStringLiteral("cannot attach %1 to the cgroup %2: %3")
                        .arg(QString::fromLatin1(bpf_program__name(programs[i])), cgroupPath,
                             systemError(errno));
            return false;
        }
    }
    m_diag = std::make_unique<SocketDiag>(bpf_map__fd(m_skeleton->maps.socket_owners),
                                          bpf_map__fd(m_skeleton->maps.socket_traffic));
    return true;
}

TrafficProbe::Listing TrafficProbe::read(QList<SocketReading> &open, QList<closed_socket> &closed)
{
    // Open sockets first: one that closes in between is then in both, and the ledger counts
    // only what grew.
    // A family whose TCP packet count stands still has no counter that grew: its table need
    // not be walked. Both are listed now and then all the same, for the ledger to see which
    // sockets have gone.
    const bool both = ++m_readsSinceWhole >= wholeListingEvery;
    QList<quint8> families;
    const std::array<quint64, 2> packets = streamPackets();
    for (size_t family = 0; family < packets.size(); ++family) {
        if (both || packets[family] != m_listedStreamPackets[family])
            families.append(family == 0 ? AF_INET : AF_INET6);
    }
    Listing listing = Listing::Unneeded;
    if (!families.isEmpty() && !m_diag->read(IPPROTO_TCP, families, open)) {
        listing = Listing::Failed;
    } else if (!families.isEmpty()) {
        m_listedStreamPackets = packets;
        if (families.size() == 2) {
            listing = Listing::Whole;
            m_readsSinceWhole = 0;
        } else {
            listing = Listing::Partial;
        }
    }
    m_datagramInodes.reset();
    const int map = bpf_map__fd(m_skeleton->maps.datagram_sockets);
    quint64 cookie = 0;
    quint64 previous = 0;
    for (bool first = true; bpf_map_get_next_key(map, first ? nullptr : &previous, &cookie) == 0;
         first = false, previous = cookie) {
        datagram_socket datagram{};
        if (bpf_map_lookup_elem(map, &cookie, &datagram) != 0)
            continue;
        SocketReading socket;
        socket.cookie = cookie;
        socket.datagram = true;
        socket.hasOwner = datagram.owner.tgid != 0;
        socket.owner = datagram.owner;
        socket.hasTraffic = true;
        socket.traffic = datagram.traffic;
        open.append(socket);
    }
    takeClosed(closed);
    return listing;
}

quint32 TrafficProbe::datagramInode(quint64 cookie)
{
    if (!m_datagramInodes) {
        m_datagramInodes.emplace();
        QList<SocketReading> listed;
        m_diag->read(IPPROTO_UDP, {AF_INET, AF_INET6}, listed);
        for (const SocketReading &socket : listed)
            m_datagramInodes->insert(socket.cookie, socket.inode);
    }
    return m_datagramInodes->value(cookie);
}

void TrafficProbe::takeClosed(QList<closed_socket> &closed)
{
    const int map = bpf_map__fd(m_skeleton->maps.closed_sockets);
    std::vector<quint64> cookies;
    quint64 cookie = 0;
    for (const quint64 *previous = nullptr; bpf_map_get_next_key(map, previous, &cookie) == 0;
         previous = &cookies.back())
        cookies.push_back(cookie);
    for (const quint64 key : cookies) {
        closed_socket record{};
        if (bpf_map_lookup_and_delete_elem(map, &key, &record) == 0)
            closed.append(record);
    }
    // A new second's share for every user.
    const int users = bpf_map__fd(m_skeleton->maps.closed_per_uid);
    std::vector<quint32> uids;
    quint32 uid = 0;
    for (const quint32 *previous = nullptr; bpf_map_get_next_key(users, previous, &uid) == 0;
         previous = &uids.back())
        uids.push_back(uid);
    for (const quint32 user : uids)
        bpf_map_delete_elem(users, &user);
}

std::array<quint64, 2> TrafficProbe::streamPackets() const
{
    std::array<quint64, 2> sums{};
    const int cpus = libbpf_num_possible_cpus();
    std::vector<quint64> perCpu(static_cast<size_t>(qMax(cpus, 0)));
    for (quint32 family = 0; family < sums.size() && cpus > 0; ++family) {
        if (bpf_map_lookup_elem(bpf_map__fd(m_skeleton->maps.stream_packets), &family,
                                perCpu.data()) == 0) {
            for (const quint64 packets : perCpu)
                sums[family] += packets;
        }
    }
    return sums;
}

KernelLosses TrafficProbe::losses() const
{
    KernelLosses sum;
    const int cpus = libbpf_num_possible_cpus();
    if (cpus <= 0)
        return sum;
    std::vector<traffic_losses> perCpu(static_cast<size_t>(cpus));
    const quint32 zero = 0;
    if (bpf_map_lookup_elem(bpf_map__fd(m_skeleton->maps.losses), &zero, perCpu.data()) != 0)
        return sum;
    for (const traffic_losses &cpu : perCpu) {
        sum.refused += cpu.refused;
        sum.bytes += cpu.bytes;
    }
    return sum;
}
