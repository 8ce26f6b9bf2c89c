// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analysispeer.h"

#include "analysisadaptor.h"

#include <QDebug>

AnalysisPeer::AnalysisPeer(const WardenProcessInfoList &processes, const WardenProcessList &pids,
                           const QStringList &desktopList, const QStringList &guiDesktopList,
                           int publishIntervalMs, QObject *parent)
    : QObject(parent), m_processes(processes), m_pids(pids), m_desktopList(desktopList),
      m_guiDesktopList(guiDesktopList)
{
    new AnalysisAdaptor(this);
    m_publishTimer.setInterval(publishIntervalMs);
    connect(&m_publishTimer, &QTimer::timeout, this, &AnalysisPeer::publish);
}

void AnalysisPeer::publish()
{
    qInfo().noquote() << "analysis: publishing" << m_processes.size() << "processes,"
                      << m_pids.size() << "pids," << m_desktopList.size() << "desktops,"
                      << m_guiDesktopList.size() << "gui desktops";
    emit processInfoList(m_processes);
    emit allProcPidList(m_pids);
    emit singleProcDesktopList(m_desktopList);
    emit guiProcDesktopList(m_guiDesktopList);
}

void AnalysisPeer::setAutoPublish(bool enabled)
{
    qInfo().noquote() << "analysis: automatic publishing" << (enabled ? "on" : "off");
    if (enabled)
        m_publishTimer.start();
    else
        m_publishTimer.stop();
}

void AnalysisPeer::setProcesses(const WardenProcessInfoList &processes)
{
    m_processes = processes;
    qInfo().noquote() << "analysis: sending" << processes.size() << "processes";
    emit processInfoList(m_processes);
}

void AnalysisPeer::setPidList(const WardenProcessList &pids)
{
    m_pids = pids;
    qInfo().noquote() << "analysis: sending" << pids.size() << "pids";
    emit allProcPidList(m_pids);
}

void AnalysisPeer::setDesktopList(const QStringList &desktopPaths)
{
    m_desktopList = desktopPaths;
    qInfo().noquote() << "analysis: sending" << desktopPaths.size() << "desktops";
    emit singleProcDesktopList(m_desktopList);
}

void AnalysisPeer::setGuiDesktopList(const QStringList &desktopPaths)
{
    m_guiDesktopList = desktopPaths;
    qInfo().noquote() << "analysis: sending" << desktopPaths.size() << "gui desktops";
    emit guiProcDesktopList(m_guiDesktopList);
}

void AnalysisPeer::announceLauncherChange()
{
    qInfo().noquote() << "analysis: announcing a launcher change";
    emit notifyUpdateLauncherList();
}
