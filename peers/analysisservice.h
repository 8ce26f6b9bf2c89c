// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "desktopentries.h"
#include "peerrecords.h"
#include "processmap.h"

#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

// com.nimbra.warden.analysisapp: the user's applications as processes and desktop entries,
// sent when they change and at most once a second.
class AnalysisService : public QObject
{
    Q_OBJECT
public:
    AnalysisService(DesktopEntries *entries, const QDBusConnection &bus, QObject *parent = nullptr);

    // Sends all four lists, changed or not.
    void publishAll();

signals:
    void processInfoList(const WardenProcessInfoList &processes);
    void allProcPidList(const WardenProcessList &pids);
    void singleProcDesktopList(const QStringList &desktopPaths);
    void guiProcDesktopList(const QStringList &desktopPaths);
    void notifyUpdateLauncherList();

private:
    void scan();

    DesktopEntries *m_entries;
    ProcessMap m_processMap;
    QTimer m_scanTimer;
    QDBusServiceWatcher m_consumerWatcher;
    WardenProcessInfoList m_processes;
    WardenProcessList m_pids;
    QStringList m_desktops;
    QStringList m_guiDesktops;
};
