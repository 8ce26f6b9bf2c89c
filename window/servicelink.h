// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "queriesinterface.h"
#include "records/wardenrecords.h"
#include "trafficdetailsinterface.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The window's side of the traffic details service on the session bus. Nothing here waits for
// an answer: calls go out asynchronously and their answers come back as signals. The service
// sends its speed list every second; when that stops, the link calls the service unreachable
// and pings it every few seconds, which also starts it through bus activation.
class ServiceLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int silenceMs = 4000;
    static constexpr int retryMs = 3000;
    static constexpr int totalsMs = 5000;
    static constexpr int budgetsMs = 5000;

    explicit ServiceLink(QObject *parent = nullptr);

    bool reachable() const { return m_reachable; }
    QString problem() const { return m_problem; }
    TrafficQueriesInterface &queries() { return m_queries; }

signals:
    // The latest speeds, in KiB/s, one row per running application.
    void speedsArrived(const WardenDisplayList &rows);
    // Every application's totals today, in KiB.
    void todayArrived(const WardenDisplayList &rows);
    // Every budget with its use so far; a service without budgets sends none.
    void budgetsArrived(const WardenBudgetList &budgets);
    // reachable() or problem() changed.
    void stateChanged();

public slots:
    void askBudgets();

private:
    void ping();
    void askToday();
    void setReachable(bool reachable, const QString &problem = {});

    ComNimbraWardenTrafficdetailsInterface m_signals;
    TrafficQueriesInterface m_queries;
    QTimer m_watch;
    QTimer m_totals;
    QTimer m_budgets;
    QElapsedTimer m_lastList;
    bool m_reachable = false;
    QString m_problem;
};
