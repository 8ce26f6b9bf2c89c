// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/operatedbusdata.h"

#include "collect/trafficdetailsworker.h"
#include "history/usedata.h"
#include "queriesadaptor.h"
#include "service/answerrows.h"
#include "service/budgetkeeper.h"
#include "service/trafficqueries.h"
#include "trafficdetailsadaptor.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDebug>

OperateDBusData::OperateDBusData(TrafficDetailsWorker *worker, UseData *useData, QObject *parent)
    : QObject(parent), m_adaptor(new TrafficdetailsAdaptor(this)),
      m_queriesAdaptor(new QueriesAdaptor(this)), m_worker(worker), m_useData(useData)
{
}

void OperateDBusData::setQueries(TrafficQueries *queries)
{
    m_queries = queries;
}

void OperateDBusData::setBudgets(BudgetKeeper *budgets)
{
    m_budgets = budgets;
}

void OperateDBusData::announceBudget(const QString &desktopId, const QString &period,
                                     const QString &level, qulonglong usedBytes,
                                     qulonglong limitBytes)
{
    emit m_queriesAdaptor->BudgetReached(desktopId, period, level, usedBytes, limitBytes);
}

void OperateDBusData::updateDisplay()
{
    qDebug() << "notifyUpdateLauncherList";
    emit m_adaptor->updatedisplay();
}

void OperateDBusData::StartApp()
{
    qDebug() << "void OperateDBusData::StartApp()"
             << " Start TrafficDetailis.";
}

void OperateDBusData::ExitApp()
{
    QCoreApplication::quit();
}

void OperateDBusData::SendDisplayFlowlist(WardenDisplayList list)
{
    emit m_adaptor->displayflow(list);
}

void OperateDBusData::SendDisplaySpeedlist(WardenDisplayList list)
{
    emit m_adaptor->displayspped(list);
}

void OperateDBusData::notifyGetYesterdayFlowData()
{
    m_worker->requestFlowData(FlowPeriod::Yesterday);
}

void OperateDBusData::notifyGetTodayFlowData()
{
    m_worker->requestFlowData(FlowPeriod::Today);
}

void OperateDBusData::notifyGetLastMonthFlowData()
{
    m_worker->requestFlowData(FlowPeriod::LastMonth);
}

void OperateDBusData::notifyGetThisMonthFlowData()
{
    m_worker->requestFlowData(FlowPeriod::ThisMonth);
}

void OperateDBusData::notifyGetAppYesterdayFlowData(QString appname)
{
    requestApplication(appname, FlowPeriod::Yesterday);
}

void OperateDBusData::notifyGetAppTodayFlowData(QString appname)
{
    requestApplication(appname, FlowPeriod::Today);
}

void OperateDBusData::notifyGetAppLastMonthFlowData(QString appname)
{
    requestApplication(appname, FlowPeriod::LastMonth);
}

void OperateDBusData::notifyGetAppThisMonthFlowData(QString appname)
{
    requestApplication(appname, FlowPeriod::ThisMonth);
}

void OperateDBusData::requestApplication(const QString &appname, FlowPeriod period)
{
    m_useData->request(
        HistoryRequest::application(appname, period, HistoryRequest::Answering::Retried));
}

void OperateDBusData::recAppFlowList(QList<AppFlowDateParameter> appFlowLst)
{
    emit m_adaptor->sendAppFlowData(numberedAppFlows(appFlowLst));
}

WardenAppFlowList OperateDBusData::GetAppHistory(const QString &appname, const QString &period,
                                                 QString &)
{
    setDelayedReply(true);
    m_queries->appHistory(message(), appname, period);
    return {};
}

WardenDisplayList OperateDBusData::GetTotals(const QString &period, QString &)
{
    setDelayedReply(true);
    m_queries->totals(message(), period);
    return {};
}

WardenApplicationList OperateDBusData::GetApplications()
{
    return m_queries->applications();
}

QString OperateDBusData::GetCurrentPeriod()
{
    return m_queries->currentPeriod();
}

void OperateDBusData::SetBudget(const QString &desktopId, const QString &period,
                                qulonglong limitBytes, uint warnPercent, uint cycleStartDay)
{
    setDelayedReply(true);
    m_budgets->set(message(), desktopId, period, limitBytes, warnPercent, cycleStartDay);
}

void OperateDBusData::ClearBudget(const QString &desktopId, const QString &period)
{
    setDelayedReply(true);
    m_budgets->clear(message(), desktopId, period);
}

WardenBudgetList OperateDBusData::GetBudgets()
{
    setDelayedReply(true);
    m_budgets->list(message());
    return {};
}
