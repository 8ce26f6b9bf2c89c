// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trafficservice.h"
#include "records/periodnames.h"
#include "service/servicenames.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

using Proxy = ComNimbraWardenTrafficdetailsInterface;

QDBusPendingCall askPeriod(Proxy &proxy, FlowPeriod period)
{
    switch (period) {
    case FlowPeriod::Today:
        return proxy.notifyGetTodayFlowData();
    case FlowPeriod::Yesterday:
        return proxy.notifyGetYesterdayFlowData();
    case FlowPeriod::ThisMonth:
        return proxy.notifyGetThisMonthFlowData();
    case FlowPeriod::LastMonth:
        break;
    }
    return proxy.notifyGetLastMonthFlowData();
}

QDate dayFrom(const QString &text)
{
    return QDate::fromString(text, Qt::ISODate);
}

} // namespace

TrafficService::TrafficService(QObject *parent)
    : QObject(parent), m_proxy(s_serviceName, s_servicePath, QDBusConnection::sessionBus()),
      m_queries(s_serviceName, s_servicePath, QDBusConnection::sessionBus())
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    registerWardenApplicationMetaType();
    registerWardenBudgetMetaType();
    m_proxy.setTimeout(answerTimeoutMs);
    m_queries.setTimeout(answerTimeoutMs);
    connect(&m_proxy, &Proxy::displayspped, this, &TrafficService::speedListArrived);
    connect(&m_proxy, &Proxy::displayflow, this, &TrafficService::flowListArrived);
}

bool TrafficService::ping()
{
    if (!connectedToBus())
        return false;
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        s_serviceName, s_servicePath, QStringLiteral("org.freedesktop.DBus.Peer"),
        QStringLiteral("Ping"));
    return finish(m_proxy.connection().asyncCall(ping, answerTimeoutMs));
}

bool TrafficService::requestPeriod(FlowPeriod period)
{
    return connectedToBus() && finish(askPeriod(m_proxy, period));
}

bool TrafficService::applications(WardenApplicationList *applications)
{
    if (!connectedToBus())
        return false;
    QDBusPendingReply<WardenApplicationList> reply = m_queries.GetApplications();
    if (!finish(reply))
        return false;
    *applications = reply.value();
    return true;
}

bool TrafficService::appHistory(const QString &app, FlowPeriod period, AppHistory *history)
{
    if (!connectedToBus())
        return false;
    QDBusPendingReply<WardenAppFlowList, QString> reply =
        m_queries.GetAppHistory(app, periodName(period));
    if (!finish(reply))
        return false;
    *history = {reply.argumentAt<0>(), dayFrom(reply.argumentAt<1>())};
    return true;
}

bool TrafficService::totals(FlowPeriod period, PeriodTotals *totals)
{
    if (!connectedToBus())
        return false;
    QDBusPendingReply<WardenDisplayList, QString> reply = m_queries.GetTotals(periodName(period));
    if (!finish(reply))
        return false;
    *totals = {reply.argumentAt<0>(), dayFrom(reply.argumentAt<1>())};
    return true;
}

bool TrafficService::currentPeriod(FlowPeriod *period)
{
    if (!connectedToBus())
        return false;
    QDBusPendingReply<QString> reply = m_queries.GetCurrentPeriod();
    return finish(reply) && periodFromName(reply.value(), period);
}

bool TrafficService::budgets(WardenBudgetList *budgets)
{
    if (!connectedToBus())
        return false;
    QDBusPendingReply<WardenBudgetList> reply = m_queries.GetBudgets();
    if (!finish(reply))
        return false;
    *budgets = reply.value();
    return true;
}

bool TrafficService::setBudget(const WardenBudget &budget)
{
    return connectedToBus() &&
           finish(m_queries.SetBudget(budget.desktopId, budget.period, budget.limitBytes,
                                      budget.warnPercent, budget.cycleStartDay));
}

bool TrafficService::clearBudget(const QString &desktopId, const QString &period)
{
    return connectedToBus() && finish(m_queries.ClearBudget(desktopId, period));
}

bool TrafficService::quit(bool *wasRunning)
{
    *wasRunning = false;
    if (!connectedToBus())
        return false;
    // Never started just to be stopped.
    QDBusMessage exit = QDBusMessage::createMethodCall(s_serviceName, s_servicePath, s_serviceName,
                                                       QStringLiteral("ExitApp"));
    exit.setAutoStartService(false);
    QDBusPendingCall call = m_proxy.connection().asyncCall(exit, answerTimeoutMs);
    call.waitForFinished();
    // Without activation the bus says NameHasNoOwner rather than ServiceUnknown.
    *wasRunning = call.error().type() != QDBusError::ServiceUnknown &&
                  call.error().name() != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    return finish(call);
}

void TrafficService::askTotals(FlowPeriod period)
{
    auto *watcher = new QDBusPendingCallWatcher(m_queries.GetTotals(periodName(period)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        QDBusPendingReply<WardenDisplayList, QString> reply = *watcher;
        if (reply.isError()) {
            explain(reply.error());
            emit failed(m_error);
            return;
        }
        emit totalsArrived({reply.argumentAt<0>(), dayFrom(reply.argumentAt<1>())});
    });
}

void TrafficService::askCurrentPeriod()
{
    auto *watcher = new QDBusPendingCallWatcher(m_queries.GetCurrentPeriod(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        QDBusPendingReply<QString> reply = *watcher;
        FlowPeriod period;
        if (reply.isError()) {
            explain(reply.error());
            emit failed(m_error);
        } else if (periodFromName(reply.value(), &period)) {
            emit currentPeriodArrived(period);
        }
    });
}

bool TrafficService::connectedToBus()
{
    if (m_proxy.connection().isConnected())
        return true;
    m_error = QStringLiteral("cannot reach the session bus: %1")
                  .arg(m_proxy.connection().lastError().message());
    return false;
}

bool TrafficService::finish(const QDBusPendingCall &call)
{
    QDBusPendingCall pending(call);
    pending.waitForFinished();
    if (!pending.isError())
        return true;
    explain(pending.error());
    return false;
}

void TrafficService::explain(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        m_error = QStringLiteral("the service %1 is not on the session bus").arg(s_serviceName);
        break;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        m_error = QStringLiteral("the service %1 did not answer within %2 seconds")
                      .arg(s_serviceName)
                      .arg(answerTimeoutMs / 1000);
        break;
    default:
        m_error = QStringLiteral("the service %1 failed: %2 (%3)")
                      .arg(s_serviceName, error.message(), error.name());
        break;
    }
}
