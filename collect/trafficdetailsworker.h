// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "collect/sampleintake.h"
#include "history/appflowdateparameter.h"
#include "records/appparameter.h"
#include "records/flowperiod.h"

#include "analysisappinterface.h"
#include "monitornetflowinterface.h"
#include "peerrecords.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class UseData;

// Stands between the peers and the rest of the service: hands the monitor's samples and the
// analysis service's process lists to its intake, keeps the desktop and history lists, and
// hands the named totals to the history store every five seconds.
class TrafficDetailsWorker : public QObject
{
    Q_OBJECT
public:
    // Without save ticks the owner calls saveFlowData itself.
    explicit TrafficDetailsWorker(QObject *parent = nullptr, bool saveTicks = true);

    // Asks the store for all applications' figures of `period`, which becomes the period of the
    // history list; each save asks again.
    void requestFlowData(FlowPeriod period);
    void resetSpeedFigures();

    // The history store the worker made; it lives in a thread of its own.
    UseData *store() const { return m_useData; }
    // The figures the display lists are built from; read them under the lock.
    const QList<AppParameter> &speedFigures() const { return m_intake.speeds(); }
    const QList<AppParameter> &totalFigures() const { return m_intake.totals(); }
    const QList<AppParameter> &historyFigures() const { return m_historyList; }
    const QStringList &desktops() const { return m_desktoplist; }
    // The period of the history list.
    FlowPeriod currentPeriod() const { return m_flowPeriod; }
    // The network monitor run the live counters come from; empty while none runs.
    const QString &countingMonitor() const { return m_monitorIdentity; }

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
    void startNewMonitor(const QString &identity);
    void restartMonitor();

    __analysisapp *m_analysisApp = nullptr;
    __MonitorNetFlow *m_monitorNetFlow = nullptr;
    SampleIntake m_intake;
    QList<AppParameter> m_saveFlowList;
    QStringList m_desktoplist;
    QStringList m_guidesktop;
    QList<AppParameter> m_historyList;
    UseData *m_useData = nullptr;
    // The period of the history list, the one last asked for.
    FlowPeriod m_flowPeriod = FlowPeriod::Today;
    QDateTime m_lastSaveTime;
    // The monitor the live counters come from: boot id and unique bus name; empty while none.
    QString m_monitorIdentity;
};
