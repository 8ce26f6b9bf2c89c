// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"
#include "scenario.h"

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

// Plays the network monitor: per-process speed and running-total samples.
class MonitorPeer : public QObject
{
    Q_OBJECT
public:
    MonitorPeer(const QList<SimulatedProcess> &processes, int sampleIntervalMs, quint32 seed,
                QObject *parent = nullptr);

    // Known pids keep their traffic and totals; new ones get a modest default.
    void setProcesses(const WardenProcessInfoList &processes);
    void setAutoSamples(bool enabled);
    void sendSample(const QString &name, double recv, double send, int pid, const QString &device,
                    const QString &type);
    int startAppCalls() const { return m_startAppCalls; }
    int exitAppCalls() const { return m_exitAppCalls; }

    // Bus methods; only counted.
    void StartApp();
    void ExitApp();

signals:
    void NotifyDetailData(const QString &name, double recv, double send, int pid,
                          const QString &device, const QString &type);

private:
    struct Traffic
    {
        SimulatedProcess process;
        double recvTotal = 0;
        double sendTotal = 0;
        int step = 0;
    };

    void sampleAll();
    QPair<double, double> nextSpeeds(Traffic &traffic);

    QList<Traffic> m_traffic;
    QRandomGenerator m_random;
    QTimer m_sampleTimer;
    int m_startAppCalls = 0;
    int m_exitAppCalls = 0;
};
