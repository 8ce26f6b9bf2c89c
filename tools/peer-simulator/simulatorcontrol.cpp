// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "simulatorcontrol.h"

#include "analysispeer.h"
#include "launcherpeer.h"
#include "monitorpeer.h"
#include "peersimulatoradaptor.h"

SimulatorControl::SimulatorControl(LauncherPeer *launcher, AnalysisPeer *analysis,
                                   MonitorPeer *monitor, QObject *parent)
    : QObject(parent), m_launcher(launcher), m_analysis(analysis), m_monitor(monitor)
{
    new PeerSimulatorAdaptor(this);
}

void SimulatorControl::SendSample(const QString &name, double recv, double send, int pid,
                                  const QString &device, const QString &type)
{
    m_monitor->sendSample(name, recv, send, pid, device, type);
}

void SimulatorControl::PublishProcesses()
{
    m_analysis->publish();
}

void SimulatorControl::SetProcesses(const WardenProcessInfoList &processes)
{
    m_monitor->setProcesses(processes);
    m_analysis->setProcesses(processes);
}

void SimulatorControl::SetPidList(const WardenProcessList &pids)
{
    m_analysis->setPidList(pids);
}

void SimulatorControl::SetDesktopList(const QStringList &desktopPaths)
{
    m_analysis->setDesktopList(desktopPaths);
}

void SimulatorControl::SetGuiDesktopList(const QStringList &desktopPaths)
{
    m_analysis->setGuiDesktopList(desktopPaths);
}

void SimulatorControl::SetLauncherItems(const LauncherItemInfoList &items)
{
    m_launcher->setItems(items);
}

void SimulatorControl::SetLauncherFailing(bool failing)
{
    m_launcher->setFailing(failing);
}

void SimulatorControl::SetLauncherDelay(int milliseconds)
{
    m_launcher->setDelay(milliseconds);
}

void SimulatorControl::AnnounceLauncherChange()
{
    m_analysis->announceLauncherChange();
}

void SimulatorControl::SetAutoSamples(bool enabled)
{
    m_monitor->setAutoSamples(enabled);
}

void SimulatorControl::SetAutoPublish(bool enabled)
{
    m_analysis->setAutoPublish(enabled);
}

int SimulatorControl::MonitorCalls(int &exitApp)
{
    exitApp = m_monitor->exitAppCalls();
    return m_monitor->startAppCalls();
}
