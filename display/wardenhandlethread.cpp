// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/wardenhandlethread.h"

#include "collect/trafficdetailsworker.h"
#include "display/launcherfetcher.h"
#include "records/cmutex.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

namespace {
// Browser traffic that no desktop entry claims shows under this name.
allApp webPseudoApplication()
{
    const QString https = QStringLiteral("https");
    return {https, https, https, QStringLiteral(":/imageresource/nctl_application_executable.svg")};
}
} // namespace

WardenHandleThread::WardenHandleThread(TrafficDetailsWorker *worker, QObject *parent)
    : QThread(parent)
{
    m_launcher = new LauncherFetcher(this);
    m_worker = worker;
    auto *updateTimer = new QTimer(this);
    connect(m_worker, &TrafficDetailsWorker::launcherListChanged, this,
            &WardenHandleThread::onUpdateLauncherList);
    connect(this, &WardenHandleThread::notifyUpdateAllProcPid, this,
            &WardenHandleThread::UpdateAllProcPid);
    connect(updateTimer, &QTimer::timeout, this, &WardenHandleThread::onUpdate);
    updateTimer->start(1000);
    connect(m_launcher, &LauncherFetcher::fetched, this, &WardenHandleThread::takeLauncherItems);
    m_launcher->fetch();
    m_allAppList.append(webPseudoApplication());
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
    m_launcher->fetch();
}

void WardenHandleThread::UpdateAllProcPid()
{
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        // The latest speeds: the cycle's reset ends what is fresh in them, so the sums take it
        // now or never.
        m_speedSampleList = m_worker->speedFigures();
        m_lists.rebuildSpeedRows(m_allAppList, m_worker->desktops());
    }
    buildDisplayLists(m_speedSampleList, m_historyFlowList);
}

void WardenHandleThread::takeLauncherItems(const LauncherItemInfoList &items)
{
    const bool firstAnswer = !m_launcherAnswered;
    m_launcherAnswered = true;
    m_allAppList.clear();
    m_appList.clear();
    for (const LauncherItemInfo &item : items) {
        const allApp app{item.desktopPath, item.appName, item.extraText, item.icon};
        m_allAppList.append(app);
        m_appList.append(app);
        if (firstAnswer)
            qDebug() << item.extraText << item.icon;
    }
    m_allAppList.append(webPseudoApplication());
    // The speed rows so far were built before the launcher answered.
    if (firstAnswer)
        UpdateAllProcPid();
}

void WardenHandleThread::buildDisplayLists(QList<AppParameter> speedSamples,
                                           QList<AppParameter> historyRecords)
{
    QList<AppParameter> saveList;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        saveList = m_lists.namedSaveList(m_appList, m_totalSampleList);
    }
    emit setSaveFlowList(saveList);

    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        m_lists.fillSpeedRows(speedSamples);
    }
    WardenDisplayList flowRows;
    {
        QMutexLocker locker(&CMutex::instance()->mutex);
        flowRows = m_lists.flowRows(m_appList, historyRecords);
    }

    m_worker->resetSpeedFigures();
    emit SendFlowData(flowRows);
    emit SendSpeedData(m_lists.speedRows());
}
