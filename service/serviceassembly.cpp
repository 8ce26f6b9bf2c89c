// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/serviceassembly.h"

#include "collect/trafficdetailsworker.h"
#include "display/wardenhandlethread.h"
#include "history/usedata.h"
#include "service/budgetkeeper.h"
#include "service/operatedbusdata.h"
#include "service/servicenames.h"
#include "service/trafficqueries.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDebug>
#include <QSemaphore>
#include <memory>

int ServiceAssembly::start()
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    registerWardenApplicationMetaType();
    registerWardenBudgetMetaType();

    m_worker = new TrafficDetailsWorker;
    m_useData = m_worker->store();
    m_bus = new OperateDBusData(m_worker, m_useData);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qDebug() << "cannot reach the session bus:" << bus.lastError().message();
        return 1;
    }
    if (!bus.registerService(s_serviceName) ||
        !bus.registerObject(s_servicePath, m_bus, QDBusConnection::ExportAdaptors)) {
        qDebug() << "dbus service already registered! " << s_serviceName;
        return 0;
    }

    m_handleThread = new WardenHandleThread(m_worker, nullptr);
    m_handleThread->start(QThread::InheritPriority);

    qRegisterMetaType<QList<allApp>>("QList<allApp>");
    qRegisterMetaType<QList<AppParameter>>("QList<AppParameter>");
    connectParts();
    return -1;
}

void ServiceAssembly::connectParts()
{
    QObject::connect(m_worker, &TrafficDetailsWorker::DesktopUpdate, m_handleThread,
                     &WardenHandleThread::UpdateAllProcPid);
    QObject::connect(m_handleThread, &WardenHandleThread::setSaveFlowList, m_worker,
                     &TrafficDetailsWorker::onSetSvaeFLowList);
    QObject::connect(m_handleThread, &WardenHandleThread::SendSpeedData, m_bus,
                     &OperateDBusData::SendDisplaySpeedlist);
    QObject::connect(m_handleThread, &WardenHandleThread::SendFlowData, m_bus,
                     &OperateDBusData::SendDisplayFlowlist);
    QObject::connect(m_worker, &TrafficDetailsWorker::launcherListChanged, m_bus,
                     &OperateDBusData::updateDisplay, Qt::DirectConnection);
    m_bus->setQueries(new TrafficQueries(m_useData, m_worker, m_handleThread, m_bus));
    // Data budgets: checked after each save, crossings announced on the queries interface.
    auto *budgets = new BudgetKeeper(m_useData, m_handleThread, m_bus);
    m_bus->setBudgets(budgets);
    QObject::connect(budgets, &BudgetKeeper::budgetReached, m_bus,
                     &OperateDBusData::announceBudget);
    // The per-application answers to the bus's own requests; each leaves as one bus signal.
    QObject::connect(m_useData, &UseData::answered, m_bus,
                     [bus = m_bus](const HistoryAnswer &answer) {
                         if (!answer.request.all &&
                             answer.request.answering == HistoryRequest::Answering::Retried)
                             bus->recAppFlowList(answer.rows);
                     });
}

void ServiceAssembly::saveOnExit()
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
