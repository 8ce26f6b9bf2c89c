// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "collect/processcounters.h"
#include "collect/processdirectory.h"
#include "collect/processtable.h"
#include "history/appflowdateparameter.h"
#include "history/collectorsnapshot.h"
#include "records/appparameter.h"
#include "records/flowperiod.h"

#include "analysisappinterface.h"
#include "monitornetflowinterface.h"
#include "peerrecords.h"

#include <QDateTime>
#include <QHash>
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
// totals to the history store every five seconds.
class TrafficDetailsWorker : public QObject
{
    Q_OBJECT
public:
    explicit TrafficDetailsWorker(QObject *parent = nullptr);

    // Asks the store for all applications' figures of `period`, which becomes the period of the
    // history list; each save asks again.
    void requestFlowData(FlowPeriod period);
    void resetSpeedFigures();

    // The history store the worker made; it lives in a thread of its own.
    UseData *store() const { return m_useData; }
    // The figures the display lists are built from; read them under the lock.
    const QList<AppParameter> &speedFigures() const { return m_speedList; }
    const QList<AppParameter> &totalFigures() const { return m_totalList; }
    const QList<AppParameter> &historyFigures() const { return m_historyList; }
    const QStringList &desktops() const { return m_desktoplist; }
    // The period of the history list.
    FlowPeriod currentPeriod() const { return m_flowPeriod; }

    // Public for the tests and benchmarks that drive the worker without the service.
    __analysisapp *m_analysisApp = nullptr;
    __MonitorNetFlow *m_monitorNetFlow = nullptr;
    // One entry per application, in order of its first sample: its speed ("kb/s"), and its
    // running total ("total_kb"). Updated in place; the display thread copies them.
    QList<AppParameter> m_speedList;
    QList<AppParameter> m_totalList;
    WardenProcessList m_procPidList;
    QStringList m_desktoplist;
    QList<AppParameter> m_historyList;
    UseData *m_useData = nullptr;
    QTimer *m_saveTimer = nullptr;
    // Last "total_kb" counter of each process the running monitor reported.
    ProcessCounters m_processCounters;

signals:
    void DesktopUpdate();
    // The analysis peer says the launcher's list changed.
    void launcherListChanged();

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
    void takeSpeed(const AppParameter &sample);
    void takeTotal(const AppParameter &sample);
    // The application's entry in the working list of `type`, appended on its first sample.
    AppParameter &entryFor(const QString &type, const AppParameter &sample);
    void refreshSpeed(const QString &desktop);
    QList<AppParameter> &entries(const QString &type);
    void endProcesses();
    void startNewMonitor(const QString &identity);
    void restartMonitor();

    ProcessDirectory m_processes;
    QList<AppParameter> m_saveFlowList;
    QStringList m_guidesktop;
    // The period of the history list, the one last asked for.
    FlowPeriod m_flowPeriod = FlowPeriod::Today;
    QDateTime m_lastSaveTime;
    // Latest "kb/s" sample of each process that sent one since the speed reset before last.
    ProcessTable m_processSpeeds;
    // Received and sent growth credited to each application, to the one a process belonged to
    // at each sample; it never goes back.
    QHash<QString, QPair<double, double>> m_applicationTotals;
    // The monitor the live counters come from: boot id and unique bus name; empty while none.
    QString m_monitorIdentity;
    // The latest "kb/s" sample of each process that sent one since the last speed reset.
    ProcessTable m_freshSpeeds;
    // Position of each application's entry in the working list of each type.
    QMap<QString, QHash<QString, int>> m_entryIndex;
};
