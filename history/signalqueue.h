// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/collectorsnapshot.h"
#include "history/historyrequest.h"

#include <QPair>
#include <QString>

// The kinds of request the history store's queue carries; each selects one handler.
enum SignalQueueType {
    DeleteFlowCacheData = 0,
    SaveFlowCacheDataToLst = 1,
    SaveFlowData = 2,
    GetFlowData = 3,
};

// The payload of a request; unused members stay empty or zero.
struct SignalQueFlow
{
    QString appname;
    QString sname;
    double downloaded = 0;
    double uploaded = 0;
    // A history request.
    HistoryRequest request = {};
    // A save: what the collector keeps beside it, a copy of the store thread's own.
    CollectorSnapshot collector = {};
};

using SignalQueueEntry = QPair<SignalQueueType, SignalQueFlow>;

// The request's name, for log lines.
const char *signalQueueEntryName(const SignalQueueEntry &entry);
