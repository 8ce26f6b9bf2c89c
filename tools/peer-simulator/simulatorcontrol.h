// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"

#include <QObject>
#include <QStringList>

class AnalysisPeer;
class LauncherPeer;
class MonitorPeer;

// The simulator's own bus object: lets a test steer the three peers.
class SimulatorControl : public QObject
{
    Q_OBJECT
public:
    SimulatorControl(LauncherPeer *launcher, AnalysisPeer *analysis, MonitorPeer *monitor,
                     QObject *parent = nullptr);

    // Bus methods.
    void SendSample(const QString &name, double recv, double send, int pid, const QString &device,
                    const QString &type);
    void PublishProcesses();
    void SetProcesses(const WardenProcessInfoList &processes);
    void SetPidList(const WardenProcessList &pids);
    void SetDesktopList(const QStringList &desktopPaths);
    void SetGuiDesktopList(const QStringList &desktopPaths);
    void SetLauncherItems(const LauncherItemInfoList &items);
    void SetLauncherFailing(bool failing);
    void SetLauncherDelay(int milliseconds);
    void AnnounceLauncherChange();
    void SetAutoSamples(bool enabled);
    void SetAutoPublish(bool enabled);
    int MonitorCalls(int &exitApp);

private:
    LauncherPeer *m_launcher;
    AnalysisPeer *m_analysis;
    MonitorPeer *m_monitor;
};
