// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "servicelink.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
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
    m_queries.setTimeout(retryMs);
    connect(&m_signals, &ComNimbraWardenTrafficdetailsInterface::displayspped, this,
            [this](const WardenDisplayList &rows) {
                m_lastList.start();
                if (!m_reachable)
                    askToday();
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
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ping, retryMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (w->isError())
            setReachable(false, w->error().message());
        else
            askToday(); // the speed list that follows within a second says it is back
    });
}

void ServiceLink::askToday()
{
    auto *watcher = new QDBusPendingCallWatcher(m_queries.GetTotals(QStringLiteral("today")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<WardenDisplayList, QString> reply = *w;
        if (!reply.isError())
            emit todayArrived(reply.argumentAt<0>());
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
