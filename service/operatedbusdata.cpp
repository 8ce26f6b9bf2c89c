// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/operatedbusdata.h"

#include "collect/trafficdetailsworker.h"
#include "display/wardenhandlethread.h"
#include "history/usedata.h"
#include "queriesadaptor.h"
#include "service/answerrows.h"
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
    // The per-application answers to the described requests; each leaves as one bus signal.
    connect(m_useData, &UseData::answered, this, [this](const HistoryAnswer &answer) {
        if (!answer.request.all && answer.request.answering == HistoryRequest::Answering::Retried)
            recAppFlowList(answer.rows);
    });
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

// Budgets are not kept yet; the calls say so instead of pretending to succeed.
void OperateDBusData::SetBudget(const QString &, const QString &, qulonglong, uint, uint)
{
    sendErrorReply(QDBusError::NotSupported, QStringLiteral("budgets are not kept yet"));
}

void OperateDBusData::ClearBudget(const QString &, const QString &)
{
    sendErrorReply(QDBusError::NotSupported, QStringLiteral("budgets are not kept yet"));
}

WardenBudgetList OperateDBusData::GetBudgets()
{
    sendErrorReply(QDBusError::NotSupported, QStringLiteral("budgets are not kept yet"));
    return {};
}
