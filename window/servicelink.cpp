// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "servicelink.h"

#include "whenanswered.h"
#include <QDBusConnection>
#include <QDBusMessage>

#include <QDBusPendingReply>

namespace {
const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
} // namespace

ServiceLink::ServiceLink(QObject *parent)
    : QObject(parent), m_signals(kService, kPath, QDBusConnection::sessionBus()),
      m_queries(kService, kPath, QDBusConnection::sessionBus())
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    registerWardenApplicationMetaType();
    registerWardenBudgetMetaType();
    m_queries.setTimeout(retryMs);
    connect(&m_signals, &ComNimbraWardenTrafficdetailsInterface::displayspped, this,
            [this](const WardenDisplayList &rows) {
                m_lastList.start();
                if (!m_reachable) {
                    askToday();
                    askBudgets();
                }
                setReachable(true);
                emit speedsArrived(rows);
            });

    // One timer both notices silence and, while the service is away, knocks again.
    m_watch.setInterval(retryMs);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (m_reachable && m_lastList.isValid() && m_lastList.elapsed() > silenceMs)
            setReachable(false, tr("The traffic service stopped sending figures."));
        if (!m_reachable)
            ping();
    });
    m_watch.start();
    m_totals.setInterval(totalsMs);
    connect(&m_totals, &QTimer::timeout, this, &ServiceLink::askToday);
    m_totals.start();
    m_budgets.setInterval(budgetsMs);
    connect(&m_budgets, &QTimer::timeout, this, &ServiceLink::askBudgets);
    m_budgets.start();
    connect(&m_queries, &TrafficQueriesInterface::BudgetReached, this, &ServiceLink::askBudgets);
    QTimer::singleShot(0, this, &ServiceLink::ping);
}

void ServiceLink::ping()
{
    if (!QDBusConnection::sessionBus().isConnected()) {
        setReachable(false, tr("There is no session bus to reach the traffic service on."));
        return;
    }
    // A method call to the name starts the service when the bus knows how.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    whenAnswered<QDBusPendingReply<>>(
        QDBusConnection::sessionBus().asyncCall(ping, retryMs), this,
        [this](const QDBusPendingReply<> &reply) {
            if (reply.isError())
                setReachable(false, reply.error().message());
            else
                askToday(); // the speed list that follows within a second says it is back
        });
}

void ServiceLink::askToday()
{
    using Reply = QDBusPendingReply<WardenDisplayList, QString>;
    whenAnswered<Reply>(m_queries.GetTotals(QStringLiteral("today")), this,
                        [this](const Reply &reply) {
                            if (!reply.isError())
                                emit todayArrived(reply.argumentAt<0>());
                        });
}

void ServiceLink::askBudgets()
{
    using Reply = QDBusPendingReply<WardenBudgetList>;
    whenAnswered<Reply>(m_queries.GetBudgets(), this, [this](const Reply &reply) {
        if (!reply.isError())
            emit budgetsArrived(reply.value());
    });
}

void ServiceLink::setReachable(bool reachable, const QString &problem)
{
    if (reachable == m_reachable && problem == m_problem)
        return;
    m_reachable = reachable;
    m_problem = problem;
    emit stateChanged();
}
