// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

// Plays the process-analysis service: publishes processes, pids and desktop lists.
class AnalysisPeer : public QObject
{
    Q_OBJECT
public:
    AnalysisPeer(const WardenProcessInfoList &processes, const WardenProcessList &pids,
                 const QStringList &desktopList, const QStringList &guiDesktopList,
                 int publishIntervalMs, QObject *parent = nullptr);

    // Sends all four lists.
    void publish();
    void setAutoPublish(bool enabled);
    // Each setter replaces one list and sends it.
    void setProcesses(const WardenProcessInfoList &processes);
    void setPidList(const WardenProcessList &pids);
    void setDesktopList(const QStringList &desktopPaths);
    void setGuiDesktopList(const QStringList &desktopPaths);
    void announceLauncherChange();

signals:
    void processInfoList(const WardenProcessInfoList &processes);
    void allProcPidList(const WardenProcessList &pids);
    void singleProcDesktopList(const QStringList &desktopPaths);
    void guiProcDesktopList(const QStringList &desktopPaths);
    void notifyUpdateLauncherList();

private:
    WardenProcessInfoList m_processes;
    WardenProcessList m_pids;
    QStringList m_desktopList;
    QStringList m_guiDesktopList;
    QTimer m_publishTimer;
};
