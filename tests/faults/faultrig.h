// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peersimulatorinterface.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <memory>

// The real service in a home of its own, fed by the peer simulator, watched as a client
// sees it: how far apart the speed lists come, and whether the file holds every growth.
class FaultRig : public QObject
{
    Q_OBJECT
public:
    FaultRig();
    ~FaultRig() override;

    QString home() const { return m_home.path(); }
    QString databasePath() const;
    PeerSimulatorInterface &control() { return *m_control; }
    QProcess &service() { return *m_service; }

    bool startSimulator();
    // Starts the service with extra "NAME=value" settings, without waiting for it.
    void launchService(const QStringList &environment = {});
    // Starts the service and lets the analysis peer announce the processes.
    bool startService(const QStringList &environment = {});
    // Everything the service wrote so far.
    QByteArray serviceOutput();
    QDBusMessage call(const QString &method, const QVariantList &arguments = {});
    // The longest wait for a StartApp answer over `durationMs`, asking every 250 ms.
    qint64 slowestAnswerMs(int durationMs);

    // Sends a running total of one of the scenario's processes and remembers it.
    void sendTotal(int pid, double recv, double send);
    // Totals as last sent, per desktop name.
    QMap<QString, QPair<double, double>> sentTotals() const;
    // Growth saved in the file, per desktop name, for the scenario's applications.
    QMap<QString, QPair<double, double>> savedGrowth(bool *readable = nullptr) const;
    // Waits until the file holds every growth sent.
    bool waitForSaved(int timeoutMs);
    // Amount of sent growth the file lacks, in kB.
    double unsavedGrowth() const;

    // Display gaps are measured between these two calls, or up to now.
    void startGapWatch();
    void stopGapWatch();
    qint64 longestGapMs() const;
    // Speed lists received so far.
    int speedLists() const;

    // One line for the suite's summary, the unsaved growth only where the file holds one run;
    // fails the case where a speed list came more than 1.2 s after the one before.
    void report(const QString &caseName, bool withGrowth = true) const;

private slots:
    void onSpeedList();

private:
    QTemporaryDir m_home;
    QDBusConnection m_bus = QDBusConnection::sessionBus();
    std::unique_ptr<QProcess> m_simulator;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<PeerSimulatorInterface> m_control;
    QElapsedTimer m_clock;
    QVector<qint64> m_speedTimes;
    qint64 m_gapsFrom = 0;
    qint64 m_gapsTo = -1;
    QMap<int, QPair<double, double>> m_sent;
    QByteArray m_output;
};
