#pragma once

#include "history/appflowdateparameter.h"
#include "records/appparameter.h"

#include "analysisappinterface.h"
#include "monitornetflowinterface.h"
#include "peerrecords.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

class QTimer;
class UseData;

// Turns the monitor's per-process samples into per-application speed and
// total entries, keeps the analysis service's lists, and hands the named
// totals to the history store every five seconds. Members are public because
// the service object and the display thread read them.
class TrafficDetailsWorker : public QObject
{
    Q_OBJECT
public:
    explicit TrafficDetailsWorker(QObject *parent = nullptr);

    __analysisapp *m_analysisApp = nullptr;
    __MonitorNetFlow *m_monitorNetFlow = nullptr;
    QMap<QString, QList<AppParameter>> m_flowMap;
    QList<AppParameter> m_speedList;
    QList<AppParameter> m_totalList;
    QList<AppParameter> m_saveFlowList;
    QList<AppParameter> m_speedEntries;
    QList<AppParameter> m_totalEntries;
    WardenProcessInfoList m_procInfoList;
    WardenProcessList m_procPidList;
    QStringList m_desktoplist;
    QStringList m_guidesktop;
    int m_matchState = 1;
    AppParameter m_appParameter;
    int m_flowQueryType = 0;
    QList<AppParameter> m_historyList;
    UseData *m_useData = nullptr;
    QTimer *m_saveTimer = nullptr;
    QDateTime m_lastSaveTime;
    // Latest "total_kb" sample of each process: an application's total is the
    // sum over its processes, not the figure of whichever reported last.
    QMap<int, AppParameter> m_processTotals;

    void requestTodayFlowData();
    void requestYesterdayFlowData();
    void requestThisMonthFlowData();
    void requestLastMonthFlowData();
    void resetSpeedFigures();

signals:
    void DesktopUpdate();

public slots:
    void onAppMonitorNetFlowDetailData(QString name, double recv, double send, int pid,
                                       QString device, QString type);
    void onSetSvaeFLowList(QList<AppParameter> saveflowlist);
    void saveFlowData();
    void onReceiveFlowDate(QList<AppFlowDateParameter> appLst);
    void Getallproclist(WardenProcessInfoList proclist);
    void Getallprocpid(WardenProcessList pid);
    void Getdesktoplist(QStringList desktoplist);
    void GetGuidesktop(QStringList guidesktop);

private:
    // Desktop path and process name of the first process record with this id.
    QPair<QString, QString> lookupProcess(int pid);
    void scanEntries(QList<AppParameter> &entries);
    void appendSample();
    void applyProcessTotals();
    void restartMonitor();
};
