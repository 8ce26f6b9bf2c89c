// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "records/clock.h"

// Requests answered to one caller. They go through the same queue as every other request, so
// an answer still comes after the saves queued before it. Each is answered once, failed or
// not: the caller is told, and a retry would answer it twice. A read that fails checks the
// file as a failed save does, and reads once more when that repaired it. One refused because
// too many wait is told so at once.

void UseData::connectAnsweredRequests()
{
    connect(
        this, &UseData::notifyGetAppFlowDataForRequest, this,
        [this](quint64 requestId, QString appname, FlowPeriod period) {
            SignalQueFlow flow;
            flow.appname = appname;
            flow.requestId = requestId;
            flow.period = period;
            if (!enqueue(GetAppFlowDataForRequest, flow))
                emit requestRefused(requestId);
        },
        Qt::DirectConnection);
    connect(
        this, &UseData::notifyGetFlowDataForRequest, this,
        [this](quint64 requestId, FlowPeriod period) {
            SignalQueFlow flow;
            flow.requestId = requestId;
            flow.period = period;
            if (!enqueue(GetFlowDataForRequest, flow))
                emit requestRefused(requestId);
        },
        Qt::DirectConnection);
}

bool UseData::getAppFlowDataForRequest(const SignalQueFlow &flow)
{
    const QDateTime now = Clock::now();
    QList<AppFlowDateParameter> appLst;
    bool ok = true;
    const auto read = [&] {
        switch (flow.period) {
        case FlowPeriod::Today:
            appLst = queryAppDayFlowData(flow.appname, now, &ok);
            break;
        case FlowPeriod::Yesterday:
            appLst = queryAppDayFlowData(flow.appname, now.addDays(-1), &ok);
            break;
        case FlowPeriod::ThisMonth:
            appLst = queryAppMonthFlowData(flow.appname, now, &ok);
            break;
        case FlowPeriod::LastMonth:
            appLst = queryAppMonthFlowData(flow.appname, now.addMonths(-1), &ok);
            break;
        }
    };
    read();
    if (!ok && recoverFile())
        read();
    for (const quint64 requestId : qAsConst(m_answerIds))
        emit sendAppFlowDataForRequest(requestId, flowPeriodFirstDay(flow.period, now.date()), ok,
                                       appLst);
    return true;
}

bool UseData::getFlowDataForRequest(const SignalQueFlow &flow)
{
    const QDateTime now = Clock::now();
    QList<AppFlowDateParameter> appLst;
    bool ok = false;
    const auto read = [&] {
        appLst.clear();
        switch (flow.period) {
        case FlowPeriod::Today:
            ok = queryDayFlowData(appLst, now);
            break;
        case FlowPeriod::Yesterday:
            ok = queryDayFlowData(appLst, now.addDays(-1));
            break;
        case FlowPeriod::ThisMonth:
            ok = queryMonthFlowData(appLst, now);
            break;
        case FlowPeriod::LastMonth:
            ok = queryMonthFlowData(appLst, now.addMonths(-1));
            break;
        }
    };
    read();
    if (!ok && recoverFile())
        read();
    for (const quint64 requestId : qAsConst(m_answerIds))
        emit sendFlowDataForRequest(requestId, flowPeriodFirstDay(flow.period, now.date()), ok,
                                    appLst);
    return true;
}
