// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "existingsockets.h"

#include "traffickeys.h"

#include <QDir>
#include <QFile>

#include <bpf/bpf.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool isInternetSocket(int fd)
{
    int domain = 0;
    socklen_t length = sizeof domain;
    return getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 &&
           (domain == AF_INET || domain == AF_INET6);
}

// The owner as the creation hook records it: the process, its real user, its name.
bool readOwner(const QString &procDir, int pid, socket_owner &owner)
{
    QFile status(procDir + QStringLiteral("/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    std::memset(&owner, 0, sizeof owner);
    owner.tgid = __u32(pid);
    bool haveUid = false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("Name:\t")) {
            const QByteArray name = line.mid(6).left(NWT_COMM_LEN - 1);
            std::memcpy(owner.comm, name.constData(), size_t(name.size()));
        } else if (line.startsWith("Uid:\t")) {
            owner.uid = line.mid(5).split('\t').value(0).toUInt(&haveUid);
        }
    }
    return haveUid;
}

} // namespace

int adoptExistingSockets(int socketOwnersMap)
{
    int adopted = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &name : pids) {
        bool isPid = false;
        const int pid = name.toInt(&isPid);
        const QString procDir = QStringLiteral("/proc/") + name;
        socket_owner owner;
        if (!isPid || !readOwner(procDir, pid, owner))
            continue;
        const int pidFd = int(syscall(SYS_pidfd_open, pid, 0));
        if (pidFd < 0)
            continue;
        const QDir fdDir(procDir + QStringLiteral("/fd"));
        for (const QString &fdName :
             fdDir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            if (!QFile::symLinkTarget(fdDir.filePath(fdName)).contains(QLatin1String("socket:[")))
                continue;
            // A copy of the process's descriptor, so that the map can be keyed by it.
            const int fd = int(syscall(SYS_pidfd_getfd, pidFd, fdName.toInt(), 0));
            if (fd < 0)
                continue;
            if (isInternetSocket(fd) &&
                bpf_map_update_elem(socketOwnersMap, &fd, &owner, BPF_NOEXIST) == 0)
                ++adopted;
            close(fd);
        }
        close(pidFd);
    }
    return adopted;
}
