// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analysisservice.h"

#include "analysisadaptor.h"

#include <unistd.h>

namespace {

constexpr int scanIntervalMs = 1000;

} // namespace

AnalysisService::AnalysisService(DesktopEntries *entries, const QDBusConnection &bus,
                                 QObject *parent)
    : QObject(parent), m_entries(entries), m_processMap(entries, getuid()),
      // The service learns the lists only from signals: a fresh instance gets them all.
      m_consumerWatcher(QStringLiteral("com.nimbra.warden.trafficdetails"), bus,
                        QDBusServiceWatcher::WatchForRegistration)
{
    new AnalysisAdaptor(this);
    connect(entries, &DesktopEntries::changed, this, [this] {
        m_processMap.forgetDeclarations();
        emit notifyUpdateLauncherList();
    });
    connect(&m_consumerWatcher, &QDBusServiceWatcher::serviceRegistered, this,
            &AnalysisService::publishAll);
    m_scanTimer.setInterval(scanIntervalMs);
    connect(&m_scanTimer, &QTimer::timeout, this, &AnalysisService::scan);
    m_scanTimer.start();
    scan();
}

void AnalysisService::publishAll()
{
    emit processInfoList(m_processes);
    emit allProcPidList(m_pids);
    emit singleProcDesktopList(m_desktops);
    emit guiProcDesktopList(m_guiDesktops);
}

void AnalysisService::scan()
{
    if (!m_processMap.refresh())
        return;
    WardenProcessInfoList processes;
    WardenProcessList pids;
    QStringList desktops;
    QStringList guiDesktops;
    for (const MappedProcess &process : m_processMap.processes()) {
        processes.append({process.pid, process.name, process.desktopPath});
        pids.append(process.pid);
        if (desktops.contains(process.desktopPath))
            continue;
        desktops.append(process.desktopPath);
        if (m_entries->isShown(process.desktopPath))
            guiDesktops.append(process.desktopPath);
    }
    desktops.sort();
    guiDesktops.sort();

    if (processes != m_processes) {
        m_processes = processes;
        emit processInfoList(m_processes);
    }
    if (pids != m_pids) {
        m_pids = pids;
        emit allProcPidList(m_pids);
    }
    if (desktops != m_desktops) {
        m_desktops = desktops;
        emit singleProcDesktopList(m_desktops);
    }
    if (guiDesktops != m_guiDesktops) {
        m_guiDesktops = guiDesktops;
        emit guiProcDesktopList(m_guiDesktops);
    }
}
