// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QSet>

// For each socket inode, a process whose descriptor table holds it, from the links in
// /proc/PID/fd. Only links that read exactly "socket:[N]" count; no file is ever opened.
QHash<quint32, quint32> findSocketHolders(const QSet<quint32> &inodes);
// N of a link target that is exactly "socket:[N]", otherwise 0.
quint32 socketInode(const char *target, int length);
