// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "socketdiag.h"

#include <bpf/bpf.h>

#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

quint32 mapId(int map)
{
    bpf_map_info info{};
    __u32 length = sizeof info;
    return bpf_obj_get_info_by_fd(map, &info, &length) == 0 ? info.id : 0;
}

// The attributes in `length` bytes at `data`, one call of `visit` for each.
template <typename Visit> void forEachAttribute(const char *data, int length, Visit visit)
{
    while (length >= NLA_HDRLEN) {
        const auto *attribute = reinterpret_cast<const nlattr *>(data);
        if (attribute->nla_len < NLA_HDRLEN || attribute->nla_len > length)
            return;
        visit(attribute, data + NLA_HDRLEN, int(attribute->nla_len) - NLA_HDRLEN);
        const int step = qMin(int(NLA_ALIGN(attribute->nla_len)), length);
        data += step;
        length -= step;
    }
}

} // namespace

SocketDiag::SocketDiag(int ownerMap, int trafficMap)
    : m_ownerMap(ownerMap), m_trafficMap(trafficMap), m_ownerMapId(mapId(ownerMap)),
      m_trafficMapId(mapId(trafficMap)),
      m_netlink(socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG))
{
}

SocketDiag::~SocketDiag()
{
    if (m_netlink >= 0)
        close(m_netlink);
}

bool SocketDiag::read(quint8 protocol, const QList<quint8> &families, QList<SocketReading> &sockets)
{
    bool complete = m_netlink >= 0;
    for (const quint8 family : families)
        complete = complete && dump(family, protocol, sockets);
    return complete;
}

bool SocketDiag::dump(quint8 family, quint8 protocol, QList<SocketReading> &sockets)
{
    // The request: every state, and the values of both maps.
    char buffer[128] = {};
    auto *header = reinterpret_cast<nlmsghdr *>(buffer);
    auto *request = reinterpret_cast<inet_diag_req_v2 *>(buffer + NLMSG_HDRLEN);
    request->sdiag_family = family;
    request->sdiag_protocol = protocol;
    request->idiag_states = ~0u;
    char *attributes = buffer + NLMSG_HDRLEN + NLMSG_ALIGN(sizeof *request);
    auto *storages = reinterpret_cast<nlattr *>(attributes);
    storages->nla_type = NLA_F_NESTED | INET_DIAG_REQ_SK_BPF_STORAGES;
    storages->nla_len = NLA_HDRLEN + 2 * NLA_ALIGN(NLA_HDRLEN + sizeof(__u32));
    int offset = NLA_HDRLEN;
    for (const int map : {m_ownerMap, m_trafficMap}) {
        auto *attribute = reinterpret_cast<nlattr *>(attributes + offset);
        attribute->nla_type = SK_DIAG_BPF_STORAGE_REQ_MAP_FD;
        attribute->nla_len = NLA_HDRLEN + sizeof(__u32);
        const __u32 fd = __u32(map);
        std::memcpy(attributes + offset + NLA_HDRLEN, &fd, sizeof fd);
        offset += NLA_ALIGN(attribute->nla_len);
    }
    header->nlmsg_len = __u32(attributes + storages->nla_len - buffer);
    header->nlmsg_type = SOCK_DIAG_BY_FAMILY;
    header->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(m_netlink, buffer, header->nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel),
               sizeof kernel) < 0)
        return false;

    static char reply[32768];
    for (;;) {
        const ssize_t length = recv(m_netlink, reply, sizeof reply, 0);
        if (length <= 0)
            return false;
        int left = int(length);
        for (auto *part = reinterpret_cast<const nlmsghdr *>(reply); NLMSG_OK(part, left);
             part = NLMSG_NEXT(part, left)) {
            if (part->nlmsg_type == NLMSG_DONE)
                return true;
            if (part->nlmsg_type == NLMSG_ERROR)
                return false;
            parse(reinterpret_cast<const char *>(part), int(part->nlmsg_len), sockets);
        }
    }
}

void SocketDiag::parse(const char *message, int length, QList<SocketReading> &sockets) const
{
    const auto *diag = reinterpret_cast<const inet_diag_msg *>(message + NLMSG_HDRLEN);
    const int start = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof *diag);
    if (length < start)
        return;
    SocketReading socket;
    socket.cookie = quint64(diag->id.idiag_cookie[0]) | quint64(diag->id.idiag_cookie[1]) << 32;
    socket.inode = diag->idiag_inode;
    auto storage = [&](const nlattr *, const char *data, int size) {
        quint32 id = 0;
        const char *value = nullptr;
        int valueSize = 0;
        forEachAttribute(data, size,
                         [&](const nlattr *field, const char *fieldData, int fieldSize) {
                             const int type = field->nla_type & NLA_TYPE_MASK;
                             if (type == SK_DIAG_BPF_STORAGE_MAP_ID && fieldSize >= int(sizeof id))
                                 std::memcpy(&id, fieldData, sizeof id);
                             else if (type == SK_DIAG_BPF_STORAGE_MAP_VALUE) {
                                 value = fieldData;
                                 valueSize = fieldSize;
                             }
                         });
        if (id == m_ownerMapId && valueSize >= int(sizeof socket.owner)) {
            std::memcpy(&socket.owner, value, sizeof socket.owner);
            socket.hasOwner = true;
        } else if (id == m_trafficMapId && valueSize >= int(sizeof socket.traffic)) {
            std::memcpy(&socket.traffic, value, sizeof socket.traffic);
            socket.hasTraffic = true;
        }
    };
    forEachAttribute(message + start, length - start,
                     [&](const nlattr *outer, const char *data, int size) {
                         if ((outer->nla_type & NLA_TYPE_MASK) == INET_DIAG_SK_BPF_STORAGES)
                             forEachAttribute(data, size, storage);
                     });
    sockets.append(socket);
}
