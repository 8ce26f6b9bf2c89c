// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "capabilities.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

bool keepOnlyCapabilities(const QList<int> &kept, QString &error)
{
    QFile lastCapability(QStringLiteral("/proc/sys/kernel/cap_last_cap"));
    const int last = lastCapability.open(QIODevice::ReadOnly)
                         ? lastCapability.readAll().trimmed().toInt()
                         : CAP_LAST_CAP;
    // The bounding set first, while CAP_SETPCAP may still be held. Without it the set stays,
    // which would matter only for an exec, and no_new_privs rules that out.
    for (int capability = 0; capability <= last; ++capability) {
        if (!kept.contains(capability))
            prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct held[_LINUX_CAPABILITY_U32S_3] = {};
    __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, held) != 0) {
        error = QStringLiteral("cannot read the capabilities: %1")
                    .arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // Only those held can be kept; a missing one only narrows what reading can do.
    for (const int capability : kept) {
        const int index = CAP_TO_INDEX(capability);
        const __u32 mask = CAP_TO_MASK(capability) & held[index].permitted;
        sets[index].effective |= mask;
        sets[index].permitted |= mask;
    }
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 ||
        syscall(SYS_capset, &header, sets) != 0 || prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        error = QStringLiteral("cannot drop the capabilities: %1")
                    .arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}
