// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/operatedbusdata.h"

#include "collect/trafficdetailsworker.h"
#include "display/wardenhandlethread.h"
#include "history/usedata.h"
#include "queriesadaptor.h"
#include "service/answerrows.h"
#include "service/budgetkeeper.h"
#include "service/servicenames.h"
#include "service/trafficqueries.h"
#include "trafficdetailsadaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDebug>
#include <QSemaphore>
#include <cstdlib>
#include <memory>

OperateDBusData::OperateDBusData(QObject *parent) : QObject(parent)
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    registerWardenApplicationMetaType();
    registerWardenBudgetMetaType();

    // Lives until the process ends, like the store and threads it brings.
    m_worker = new TrafficDetailsWorker;
    m_useData = m_worker->m_useData;

    m_adaptor = new TrafficdetailsAdaptor(this);
    m_queriesAdaptor = new QueriesAdaptor(this);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qDebug() << "cannot reach the session bus:" << bus.lastError().message();
        std::exit(1);
    }
    if (!bus.registerService(s_serviceName) ||
        !bus.registerObject(s_servicePath, this, QDBusConnection::ExportAdaptors)) {
        qDebug() << "dbus service already registered! " << s_serviceName;
        std::exit(0);
    }

    m_handleThread = new WardenHandleThread(m_worker, nullptr);
    m_handleThread->start(QThread::InheritPriority);

    qRegisterMetaType<QList<allApp>>("QList<allApp>");
    qRegisterMetaType<QList<AppParameter>>("QList<AppParameter>");

    connect(m_worker, &TrafficDetailsWorker::DesktopUpdate, m_handleThread,
            &WardenHandleThread::UpdateAllProcPid);
    connect(m_handleThread, &WardenHandleThread::setSaveFlowList, m_worker,
            &TrafficDetailsWorker::onSetSvaeFLowList);
    connect(m_handleThread, &WardenHandleThread::SendSpeedData, this,
            &OperateDBusData::SendDisplaySpeedlist);
    connect(m_handleThread, &WardenHandleThread::SendFlowData, this,
            &OperateDBusData::SendDisplayFlowlist);
    connect(
        m_worker->m_analysisApp, &__analysisapp::notifyUpdateLauncherList, m_worker->m_analysisApp,
        [this] {
            qDebug() << "notifyUpdateLauncherList";
            emit m_adaptor->updatedisplay();
        },
        Qt::DirectConnection);
    m_queries = new TrafficQueries(m_useData, m_worker, m_handleThread, this);
    connect(m_useData, &UseData::sendAppYesterdayFlowData, this, &OperateDBusData::recAppFlowList);
    connect(m_useData, &UseData::sendAppTodayFlowData, this, &OperateDBusData::recAppFlowList);
    connect(m_useData, &UseData::sendAppLastMonthFlowData, this, &OperateDBusData::recAppFlowList);
    connect(m_useData, &UseData::sendAppThisMonthFlowData, this, &OperateDBusData::recAppFlowList);

    // Data budgets: checked after each save, crossings announced on the queries interface.
    m_budgets = new BudgetKeeper(m_useData, m_handleThread, this);
    connect(m_budgets, &BudgetKeeper::budgetReached, m_queriesAdaptor,
            &QueriesAdaptor::BudgetReached);
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

void OperateDBusData::saveOnExit()
{
    // The latest totals reach the save list through a display cycle.
    m_handleThread->onUpdate();
    m_worker->saveFlowData();
    // Queued behind the save's requests, so it runs once the store has handled them. Shared,
    // because the store may get to it only after this function gave up waiting.
    auto handled = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        m_useData, [handled] { handled->release(); }, Qt::QueuedConnection);
    if (!handled->tryAcquire(1, 1000))
        qDebug() << "the last save did not finish within a second";
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
    m_worker->requestYesterdayFlowData();
}

void OperateDBusData::notifyGetTodayFlowData()
{
    m_worker->requestTodayFlowData();
}

void OperateDBusData::notifyGetLastMonthFlowData()
{
    m_worker->requestLastMonthFlowData();
}

void OperateDBusData::notifyGetThisMonthFlowData()
{
    m_worker->requestThisMonthFlowData();
}

void OperateDBusData::notifyGetAppYesterdayFlowData(QString appname)
{
    emit m_useData->notifyGetAppYesterdayFlowData(appname);
}

void OperateDBusData::notifyGetAppTodayFlowData(QString appname)
{
    emit m_useData->notifyGetAppTodayFlowData(appname);
}

void OperateDBusData::notifyGetAppLastMonthFlowData(QString appname)
{
    emit m_useData->notifyGetAppLastMonthFlowData(appname);
}

void OperateDBusData::notifyGetAppThisMonthFlowData(QString appname)
{
    emit m_useData->notifyGetAppThisMonthFlowData(appname);
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
