// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "socketholders.h"

#include <QByteArray>

#include <dirent.h>
#include <unistd.h>

namespace {

// The entries of a directory that are numbers.
QList<quint32> numericEntries(const QByteArray &path)
{
    QList<quint32> numbers;
    DIR *directory = opendir(path.constData());
    if (!directory)
        return numbers;
    while (const dirent *entry = readdir(directory)) {
        bool isNumber = false;
        const quint32 number = QByteArray(entry->d_name).toUInt(&isNumber);
        if (isNumber)
            numbers.append(number);
    }
    closedir(directory);
    return numbers;
}

} // namespace

quint32 socketInode(const char *target, int length)
{
    const QByteArray link(target, length);
    if (!link.startsWith("socket:[") || !link.endsWith(']'))
        return 0;
    bool isNumber = false;
    const QByteArray digits = link.mid(8, link.size() - 9);
    const quint32 inode = digits.toUInt(&isNumber);
    // Digits only: no sign, blank or other text that toUInt would let through.
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
    }
    return isNumber ? inode : 0;
}

QHash<quint32, quint32> findSocketHolders(const QSet<quint32> &inodes)
{
    QHash<quint32, quint32> holders;
    for (const quint32 pid : numericEntries("/proc")) {
        const QByteArray fdDir = "/proc/" + QByteArray::number(pid) + "/fd/";
        for (const quint32 fd : numericEntries(fdDir)) {
            char target[64];
            const QByteArray link = fdDir + QByteArray::number(fd);
            const ssize_t length = readlink(link.constData(), target, sizeof target);
            if (length <= 0 || length >= ssize_t(sizeof target))
                continue;
            const quint32 inode = socketInode(target, int(length));
            if (inode != 0 && inodes.contains(inode) && !holders.contains(inode)) {
                holders.insert(inode, pid);
                if (holders.size() == inodes.size())
                    return holders;
            }
        }
    }
    return holders;
}
