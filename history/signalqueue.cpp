// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/signalqueue.h"

const char *signalQueueTypeName(SignalQueueType type)
{
    static const char *const names[] = {
        "DeleteFlowCacheData",
        "SaveFlowCacheDataToLst",
        "SaveFlowData",
        "GetYesterdayFlowData",
        "GetTodayFlowData",
        "GetLastMonthFlowData",
        "GetThisMonthFlowData",
        "GetAppYesterdayFlowData",
        "GetAppTodayFlowData",
        "GetAppLastMonthFlowData",
        "GetAppThisMonthFlowData",
        "GetAppFlowDataForRequest",
        "GetFlowDataForRequest",
        "GetUseSince",
    };
    const int index = static_cast<int>(type);
    return index >= 0 && index < int(sizeof names / sizeof *names) ? names[index] : "unknown";
}
