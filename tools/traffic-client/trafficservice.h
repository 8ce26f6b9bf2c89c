// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/flowperiod.h"
#include "queriesinterface.h"
#include "records/wardenapplication.h"
#include "records/wardenrecords.h"
#include "trafficdetailsinterface.h"

#include <QDBusPendingCall>
#include <QDate>
#include <QObject>
#include <QString>

// One application's history as the service answered it to this client.
struct AppHistory
{
    WardenAppFlowList rows;
    QDate firstDay;
};

// Every application's totals over a period, as the flow list would show them.
struct PeriodTotals
{
    WardenDisplayList rows;
    QDate firstDay;
};

// The client's side of the traffic details service on the session bus.
// Every operation gives up after answerTimeoutMs and then leaves its reason in errorText().
class TrafficService : public QObject
{
    Q_OBJECT
public:
    static constexpr int answerTimeoutMs = 5000;

    explicit TrafficService(QObject *parent = nullptr);

    // Whether the service is reachable; a service that is only activatable is started.
    bool ping();
    bool requestPeriod(FlowPeriod period);
    bool applications(WardenApplicationList *applications);
    bool appHistory(const QString &app, FlowPeriod period, AppHistory *history);
    bool totals(FlowPeriod period, PeriodTotals *totals);
    bool currentPeriod(FlowPeriod *period);
    bool budgets(WardenBudgetList *budgets);
    bool setBudget(const WardenBudget &budget);
    bool clearBudget(const QString &desktopId, const QString &period);
    // Asks a running service to exit; false with wasRunning false when none was running.
    bool quit(bool *wasRunning);

    // The same questions without waiting; the answer comes as totalsArrived or
    // currentPeriodArrived, a failure as failed.
    void askTotals(FlowPeriod period);
    void askCurrentPeriod();

    QString errorText() const { return m_error; }

signals:
    void speedListArrived(const WardenDisplayList &rows);
    void flowListArrived(const WardenDisplayList &rows);
    void totalsArrived(const PeriodTotals &totals);
    void currentPeriodArrived(FlowPeriod period);
    void failed(const QString &errorText);

private:
    bool connectedToBus();
    bool finish(const QDBusPendingCall &call);
    void explain(const QDBusError &error);

    ComNimbraWardenTrafficdetailsInterface m_proxy;
    TrafficQueriesInterface m_queries;
    QString m_error;
};
