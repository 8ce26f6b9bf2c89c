// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "display/applicationmatcher.h"
#include "display/speedsamplechains.h"
#include "records/appparameter.h"
#include "records/wardendisplay.h"

#include "launcherdinterface.h"

#include <QList>
#include <QThread>

class QTimer;
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

    // Public for the tests and benchmarks that drive the display lists without the service.
    QList<allApp> m_allAppList;
    QList<allApp> m_appList;
    QList<AppParameter> m_speedSampleList;
    QList<AppParameter> m_totalSampleList;
    QList<AppParameter> m_historyFlowList;
    QList<WardenDisplay> m_speedDisplayList;
    QTimer *m_updateTimer = nullptr;

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

protected:
    void run() override;

private:
    void buildDisplayLists(QList<AppParameter> speedSamples, QList<AppParameter> historyRecords);
    void nameSaveFlowList();
    void fetchLauncherItems();
    void retryLauncherItems(const QDBusError &error);
    void takeLauncherItems(const LauncherItemInfoList &items);
    void appendWebPseudoApplication();

    __Launcherd *m_launcher = nullptr;
    TrafficDetailsWorker *m_worker = nullptr;
    QList<AppParameter> m_saveList;
    QList<WardenDisplay> m_flowDisplayList;
    WardenDisplay m_speedRow;
    WardenDisplay m_flowRow;
    // Desktop-name lookups in m_allAppList and m_appList, and the speed
    // samples each speed row takes, kept across cycles.
    ApplicationMatcher m_allAppMatcher;
    ApplicationMatcher m_appMatcher;
    SpeedSampleChains m_speedChains;
    // Only the answer to the latest launcher request is taken.
    int m_launcherRequest = 0;
    int m_launcherRetryMs = 0;
    bool m_launcherAnswered = false;
};
