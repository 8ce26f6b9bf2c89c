// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/signalqueue.h"

const char *signalQueueEntryName(const SignalQueueEntry &entry)
{
    if (entry.first == GetFlowData)
        return entry.second.request.name();
    static const char *const names[] = {
        "DeleteFlowCacheData",
        "SaveFlowCacheDataToLst",
        "SaveFlowData",
    };
    const int index = static_cast<int>(entry.first);
    return index >= 0 && index < int(sizeof names / sizeof *names) ? names[index] : "unknown";
}
