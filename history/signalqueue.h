// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/collectorsnapshot.h"
#include "history/flowperiod.h"

#include <QDate>
#include <QMetaType>
#include <QPair>
#include <QString>

// The kinds of request the history store's queue carries; each selects one handler.
enum SignalQueueType {
    DeleteFlowCacheData = 0,
    SaveFlowCacheDataToLst = 1,
    SaveFlowData = 2,
    GetYesterdayFlowData = 3,
    GetTodayFlowData = 4,
    GetLastMonthFlowData = 5,
    GetThisMonthFlowData = 6,
    GetAppYesterdayFlowData = 7,
    GetAppTodayFlowData = 8,
    GetAppLastMonthFlowData = 9,
    GetAppThisMonthFlowData = 10,
    GetAppFlowDataForRequest = 11,
    GetFlowDataForRequest = 12,
    GetUseSince = 13,
};

// The payload of a request; unused members stay empty or zero.
struct SignalQueFlow
{
    QString appname;
    QString sname;
    double downloaded = 0;
    double uploaded = 0;
    // Requests answered to one caller: the caller's id, echoed back, and the period asked for.
    quint64 requestId = 0;
    FlowPeriod period = FlowPeriod::Today;
    // Each application's use since this day.
    QDate firstDay;
    // A save: what the collector keeps beside it, a copy of the store thread's own.
    CollectorSnapshot collector = {};
};

using SignalQueueEntry = QPair<SignalQueueType, SignalQueFlow>;

// The enumerator's name, for log lines.
const char *signalQueueTypeName(SignalQueueType type);

Q_DECLARE_METATYPE(SignalQueueType)
Q_DECLARE_METATYPE(SignalQueFlow)
