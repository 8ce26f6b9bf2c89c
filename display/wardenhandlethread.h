// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "display/displaylists.h"
#include "records/appparameter.h"
#include "records/wardendisplay.h"

#include "peerrecords.h"

#include <QList>
#include <QThread>

class LauncherFetcher;
class TrafficDetailsWorker;

// Builds the speed and flow display lists once a second from the worker's
// figures and the launcher's applications. A QThread only in name: run()
// returns at once and the object stays in the thread that built it, so the
// timer and every slot run in the main thread.
class WardenHandleThread : public QThread
{
    Q_OBJECT
public:
    WardenHandleThread(TrafficDetailsWorker *worker, QObject *parent);

    // The launcher's applications, as the display lists name them.
    const QList<allApp> &applications() const { return m_appList; }

signals:
    void SendFlowData(WardenDisplayList displayflowlist);
    void SendSpeedData(WardenDisplayList displaylist);
    void setSaveFlowList(QList<AppParameter> saveflowlist);
    void UpdateSpeedLauncherList();
    void notifyUpdateAllProcPid();

public slots:
    void onUpdate();
    void onUpdateLauncherList();
    void UpdateAllProcPid();
    // The launcher's answer; it replaces the applications.
    void takeLauncherItems(const LauncherItemInfoList &items);

protected:
    void run() override;

private:
    void buildDisplayLists(QList<AppParameter> speedSamples, QList<AppParameter> historyRecords);

    LauncherFetcher *m_launcher = nullptr;
    TrafficDetailsWorker *m_worker = nullptr;
    // The launcher's applications, and those followed by the web pseudo-application.
    QList<allApp> m_allAppList;
    QList<allApp> m_appList;
    // The worker's figures as the last cycle copied them.
    QList<AppParameter> m_speedSampleList;
    QList<AppParameter> m_totalSampleList;
    QList<AppParameter> m_historyFlowList;
    DisplayLists m_lists;
    bool m_launcherAnswered = false;
};
