// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "records/flowperiod.h"
#include "records/wardenapplication.h"
#include "records/wardenrecords.h"

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>

class BudgetKeeper;
class QueriesAdaptor;
class TrafficQueries;
class TrafficdetailsAdaptor;
class TrafficDetailsWorker;
class UseData;

// The object behind "/com/nimbra/warden/trafficdetails". The bus sees only its adaptors; every
// bus method arrives here as a slot and is handed on to the worker, the store or the queries.
class OperateDBusData : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    OperateDBusData(TrafficDetailsWorker *worker, UseData *useData, QObject *parent = nullptr);

    void setQueries(TrafficQueries *queries);
    void setBudgets(BudgetKeeper *budgets);
    // The launcher's list changed: clients redraw.
    void updateDisplay();
    // A budget's level was reached: the queries interface says so.
    void announceBudget(const QString &desktopId, const QString &period, const QString &level,
                        qulonglong usedBytes, qulonglong limitBytes);

    // The queries interface, called by its adaptor. History is answered later, to its caller.
    WardenAppFlowList GetAppHistory(const QString &appname, const QString &period,
                                    QString &firstDay);
    WardenDisplayList GetTotals(const QString &period, QString &firstDay);
    WardenApplicationList GetApplications();
    QString GetCurrentPeriod();
    void SetBudget(const QString &desktopId, const QString &period, qulonglong limitBytes,
                   uint warnPercent, uint cycleStartDay);
    void ClearBudget(const QString &desktopId, const QString &period);
    WardenBudgetList GetBudgets();

public slots:
    void StartApp();
    void ExitApp();
    void SendDisplayFlowlist(WardenDisplayList list);
    void SendDisplaySpeedlist(WardenDisplayList list);
    void notifyGetYesterdayFlowData();
    void notifyGetTodayFlowData();
    void notifyGetLastMonthFlowData();
    void notifyGetThisMonthFlowData();
    void notifyGetAppYesterdayFlowData(QString appname);
    void notifyGetAppTodayFlowData(QString appname);
    void notifyGetAppLastMonthFlowData(QString appname);
    void notifyGetAppThisMonthFlowData(QString appname);
    void recAppFlowList(QList<AppFlowDateParameter> appFlowLst);

private:
    void requestApplication(const QString &appname, FlowPeriod period);

    TrafficdetailsAdaptor *m_adaptor = nullptr;
    QueriesAdaptor *m_queriesAdaptor = nullptr;
    TrafficDetailsWorker *m_worker = nullptr;
    UseData *m_useData = nullptr;
    TrafficQueries *m_queries = nullptr;
    BudgetKeeper *m_budgets = nullptr;
};
