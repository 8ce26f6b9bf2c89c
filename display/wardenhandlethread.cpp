// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"

#include "collect/trafficdetailsworker.h"
#include "records/cmutex.h"

#include <QDBusConnection>
#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

WardenHandleThread::WardenHandleThread(TrafficDetailsWorker *worker, QObject *parent)
    : QThread(parent)
{
    m_launcher = new __Launcherd(QStringLiteral("com.nimbra.ndesk.daemon.Launcher"),
                                 QStringLiteral("/com/nimbra/ndesk/daemon/Launcher"),
                                 QDBusConnection::sessionBus(), this);
    m_worker = worker;
    m_updateTimer = new QTimer;
    connect(m_worker, &TrafficDetailsWorker::launcherListChanged, this,
            &WardenHandleThread::onUpdateLauncherList);
    connect(this, &WardenHandleThread::notifyUpdateAllProcPid, this,
            &WardenHandleThread::UpdateAllProcPid);
    connect(m_updateTimer, &QTimer::timeout, this, &WardenHandleThread::onUpdate);
    m_updateTimer->start(1000);
    fetchLauncherItems();
    appendWebPseudoApplication();
    emit notifyUpdateAllProcPid();
}

void WardenHandleThread::run() {}

void WardenHandleThread::onUpdate()
{
    QMutexLocker locker(&CMutex::instance()->mutex);
    m_speedSampleList = m_worker->speedFigures();
    m_totalSampleList = m_worker->totalFigures();
    m_historyFlowList = m_worker->historyFigures();
    buildDisplayLists(m_speedSampleList, m_historyFlowList);
}

void WardenHandleThread::onUpdateLauncherList()
{
    qDebug() << "onUpdateLauncherList";
    // The lists are replaced when the answer arrives, and kept if the launcher fails.
    fetchLauncherItems();
}
