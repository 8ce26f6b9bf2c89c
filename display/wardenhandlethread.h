#pragma once

#include "display/allapp.h"
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

    __Launcherd *m_launcher = nullptr;
    TrafficDetailsWorker *m_worker = nullptr;
    QList<allApp> m_allAppList;
    QList<allApp> m_appList;
    QList<AppParameter> m_speedSampleList;
    QList<AppParameter> m_totalSampleList;
    QList<AppParameter> m_historyFlowList;
    QList<AppParameter> m_saveList;
    QList<WardenDisplay> m_speedDisplayList;
    QList<WardenDisplay> m_flowDisplayList;
    WardenDisplay m_speedRow;
    WardenDisplay m_flowRow;
    QTimer *m_updateTimer = nullptr;

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
    void fetchLauncherItems(bool logItems);
};
