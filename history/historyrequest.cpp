// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/historyrequest.h"

#include <atomic>

namespace {
std::atomic<quint64> s_lastId{0};
} // namespace

HistoryRequest HistoryRequest::allApplications(FlowPeriod period, Answering answering)
{
    HistoryRequest request;
    request.id = ++s_lastId;
    request.period = period;
    request.answering = answering;
    return request;
}

HistoryRequest HistoryRequest::application(const QString &appname, FlowPeriod period,
                                           Answering answering)
{
    HistoryRequest request = allApplications(period, answering);
    request.all = false;
    request.appname = appname;
    return request;
}

HistoryRequest HistoryRequest::useSince(const QDate &first)
{
    HistoryRequest request = allApplications(FlowPeriod::Today, Answering::Once);
    request.since = first;
    return request;
}

bool HistoryRequest::asksAsWell(const HistoryRequest &other) const
{
    return all == other.all && appname == other.appname && period == other.period &&
           answering == other.answering && since == other.since;
}

const char *HistoryRequest::name() const
{
    if (since.isValid())
        return "GetUseSince";
    if (answering == Answering::Once)
        return all ? "GetFlowDataForRequest" : "GetAppFlowDataForRequest";
    static const char *const names[2][4] = {{"GetAppTodayFlowData", "GetAppYesterdayFlowData",
                                             "GetAppThisMonthFlowData", "GetAppLastMonthFlowData"},
                                            {"GetTodayFlowData", "GetYesterdayFlowData",
                                             "GetThisMonthFlowData", "GetLastMonthFlowData"}};
    return names[all ? 1 : 0][static_cast<int>(period)];
}
