// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "processinfo.h"

#include <QList>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A small file of /proc, or nothing.
QByteArray readProcFile(quint32 pid, const char *name)
{
    const QByteArray path = "/proc/" + QByteArray::number(pid) + '/' + name;
    const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buffer[2048];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    close(fd);
    return length > 0 ? QByteArray(buffer, int(length)) : QByteArray();
}

} // namespace

quint64 processStartFromStat(const QByteArray &stat)
{
    // The name in parentheses may hold anything, ") " too: count fields after the last ')'.
    const int nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    constexpr int startField = 22 - 3; // the fields after the name begin with the 3rd
    return fields.size() > startField ? fields.at(startField).toULongLong() : 0;
}

quint64 processStart(quint32 pid)
{
    return processStartFromStat(readProcFile(pid, "stat"));
}

bool processOwner(quint32 pid, socket_owner &owner)
{
    const QByteArray stat = readProcFile(pid, "stat");
    const QByteArray status = readProcFile(pid, "status");
    const int uidAt = status.indexOf("\nUid:\t");
    const int nameStart = stat.indexOf('(');
    const int nameEnd = stat.lastIndexOf(')');
    if (uidAt < 0 || nameStart < 0 || nameEnd < nameStart)
        return false;
    std::memset(&owner, 0, sizeof owner);
    owner.tgid = pid;
    owner.uid = status.mid(uidAt + 6).split('\t').value(0).toUInt();
    owner.start = processStartFromStat(stat);
    const QByteArray name = stat.mid(nameStart + 1, nameEnd - nameStart - 1).left(NWT_COMM_LEN - 1);
    std::memcpy(owner.comm, name.constData(), size_t(name.size()));
    return owner.start != 0;
}
