// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/trafficdetailsworker.h"

#include "collect/monitoridentity.h"
#include "history/usedata.h"
#include "records/clock.h"
#include "records/cmutex.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

namespace {
const QString kMonitorService = QStringLiteral("com.nimbra.warden.MonitorNetFlow");
} // namespace

TrafficDetailsWorker::TrafficDetailsWorker(QObject *parent, bool saveTicks) : QObject(parent)
{
    m_analysisApp = new __analysisapp(QStringLiteral("com.nimbra.warden.analysisapp"),
                                      QStringLiteral("/com/nimbra/warden/analysisapp"),
                                      QDBusConnection::sessionBus(), this);
    m_monitorNetFlow =
        new __MonitorNetFlow(kMonitorService, QStringLiteral("/com/nimbra/warden/MonitorNetFlow"),
                             QDBusConnection::systemBus(), this);
    m_useData = new UseData;
    // Before the store's thread opens the file, and before the first sample.
    const CollectorSnapshot kept = m_useData->loadKeptReference();
    m_monitorIdentity = currentMonitorIdentity(kMonitorService);
    m_intake.restoreCounters(kept, m_monitorIdentity);
    auto *monitorWatcher = new QDBusServiceWatcher(kMonitorService, QDBusConnection::systemBus(),
                                                   QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(monitorWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                QMutexLocker locker(&CMutex::instance()->mutex);
                startNewMonitor(monitorIdentity(newOwner));
            });
    connect(m_monitorNetFlow, &__MonitorNetFlow::NotifyDetailData, this,
            &TrafficDetailsWorker::onAppMonitorNetFlowDetailData);

    auto *storeThread = new QThread;
    m_useData->moveToThread(storeThread);
    storeThread->start(QThread::InheritPriority);

    if (saveTicks) {
        auto *saveTimer = new QTimer(this);
        saveTimer->setInterval(5000);
        saveTimer->start();
        connect(saveTimer, &QTimer::timeout, this, &TrafficDetailsWorker::saveFlowData);
    }

    // The all-application answers to the period requests, the worker's own.
    connect(m_useData, &UseData::answered, this, [this](const HistoryAnswer &answer) {
        if (answer.request.all && answer.request.answering == HistoryRequest::Answering::Retried)
            onReceiveFlowDate(answer.rows);
    });

    // Every sample runs the intake twice, as peers have always seen it; the second run finds
    // the figures already taken and changes nothing.
    connect(m_monitorNetFlow, &__MonitorNetFlow::NotifyDetailData, this,
            &TrafficDetailsWorker::onAppMonitorNetFlowDetailData);

    connect(m_analysisApp, &__analysisapp::notifyUpdateLauncherList, this,
            &TrafficDetailsWorker::launcherListChanged, Qt::DirectConnection);
    connect(m_analysisApp, &__analysisapp::processInfoList, this,
            &TrafficDetailsWorker::Getallproclist);
    connect(m_analysisApp, SIGNAL(allProcPidList(WardenProcessList)), this,
            SLOT(Getallprocpid(WardenProcessList)));
    connect(m_analysisApp, &__analysisapp::singleProcDesktopList, this,
            &TrafficDetailsWorker::Getdesktoplist);
    connect(m_analysisApp, &__analysisapp::guiProcDesktopList, this,
            &TrafficDetailsWorker::GetGuidesktop);
}

void TrafficDetailsWorker::onSetSvaeFLowList(QList<AppParameter> saveflowlist)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    m_saveFlowList = saveflowlist;
}

void TrafficDetailsWorker::saveFlowData()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    if (m_lastSaveTime.isValid() && Clock::now() < m_lastSaveTime)
        restartMonitor();

    m_useData->enqueueDeleteFlowCacheData();
    for (const AppParameter &entry : qAsConst(m_saveFlowList))
        m_useData->enqueueSaveFlowCacheDataToLst(entry.desktop, entry.sName, entry.recv,
                                                 entry.send);
    m_useData->enqueueSaveFlowData(m_intake.keptCounters(m_monitorIdentity));

    requestFlowData(m_flowPeriod);
    m_lastSaveTime = Clock::now();
}

// The monitor has to start over after the clock was set back.
void TrafficDetailsWorker::restartMonitor()
{
    m_monitorNetFlow->ExitApp();
    QThread::msleep(500);
    for (int i = 0; i < 5; ++i)
        m_monitorNetFlow->StartApp();
}

void TrafficDetailsWorker::requestFlowData(FlowPeriod period)
{
    m_flowPeriod = period;
    m_useData->request(HistoryRequest::allApplications(period, HistoryRequest::Answering::Retried));
}

void TrafficDetailsWorker::onReceiveFlowDate(QList<AppFlowDateParameter> appLst)
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    m_historyList.clear();
    for (const AppFlowDateParameter &row : qAsConst(appLst)) {
        AppParameter entry; // a history row belongs to no process: pid stays 0
        entry.desktop = row.appname;
        entry.sName = row.sname;
        entry.recv = row.downloaded;
        entry.send = row.uploaded;
        entry.total = row.total;
        m_historyList.append(entry);
    }
}

void TrafficDetailsWorker::onAppMonitorNetFlowDetailData(QString name, double recv, double send,
                                                         int pid, QString device, QString type)
{
    m_intake.take(name, recv, send, pid, device, type);
}

void TrafficDetailsWorker::resetSpeedFigures()
{
    m_intake.resetSpeeds();
}

void TrafficDetailsWorker::Getallproclist(WardenProcessInfoList proclist)
{
    m_intake.takeProcessRecords(proclist);
}

void TrafficDetailsWorker::Getallprocpid(WardenProcessList pid)
{
    m_intake.takeRunning(pid);
}

void TrafficDetailsWorker::Getdesktoplist(QStringList desktoplist)
{
    m_desktoplist = desktoplist;
    for (const QString &desktop : qAsConst(m_desktoplist))
        qDebug() << "desktop = " << desktop;
    emit DesktopUpdate();
}

void TrafficDetailsWorker::GetGuidesktop(QStringList guidesktop)
{
    m_guidesktop = guidesktop;
    for (const QString &desktop : qAsConst(m_guidesktop))
        qDebug() << "m_guidesktop = " << desktop;
}

// Another monitor counts from nothing: everything it reports is new growth.
void TrafficDetailsWorker::startNewMonitor(const QString &identity)
{
    qDebug() << "network monitor is now" << identity << "- its counters start again";
    m_intake.forgetProcessCounters();
    m_monitorIdentity = identity;
}
