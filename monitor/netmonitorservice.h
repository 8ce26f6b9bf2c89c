// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "processtotals.h"
#include "socketledger.h"
#include "trafficprobe.h"
#include "userconnections.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

// The object on the bus: once a second, a speed and a running-total sample for every process
// with traffic, each sent only to the connections of the process's own user.
class NetMonitorService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    NetMonitorService(TrafficProbe *probe, const QDBusConnection &bus, QObject *parent = nullptr);

public slots:
    // Both only log, at most once a minute per calling user: totals never go back, and the
    // monitor keeps running for everyone.
    void StartApp();
    void ExitApp();

private:
    void sample();
    void logCall(const char *method);
    void logLosses();
    void sendTo(const QStringList &connections, const ProcessTraffic &process, double seconds);

    TrafficProbe *m_probe;
    QDBusConnection m_bus;
    UserConnections m_connections;
    SocketLedger m_ledger;
    ProcessTotals m_totals;
    QTimer m_timer;
    QElapsedTimer m_sinceLastSample;
    QHash<uint, QElapsedTimer> m_lastCallLog; // by calling user
    QHash<uint, int> m_unloggedCalls;
    KernelLosses m_loggedLosses;
    QElapsedTimer m_sinceLossLog;
    QElapsedTimer m_sinceListingLog;
};
