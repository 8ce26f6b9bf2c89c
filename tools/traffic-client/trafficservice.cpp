#include "trafficservice.h"
#include "service/servicenames.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace {

bool answersFor(const WardenAppFlowList &rows, const QString &app)
{
    return std::all_of(rows.cbegin(), rows.cend(),
                       [&app](const WardenAppFlow &row) { return row.appname == app; });
}

using Proxy = ComNimbraWardenTrafficdetailsInterface;

QDBusPendingCall askPeriod(Proxy &proxy, Period period)
{
    switch (period) {
    case Period::Today:
        return proxy.notifyGetTodayFlowData();
    case Period::Yesterday:
        return proxy.notifyGetYesterdayFlowData();
    case Period::ThisMonth:
        return proxy.notifyGetThisMonthFlowData();
    case Period::LastMonth:
        break;
    }
    return proxy.notifyGetLastMonthFlowData();
}

QDBusPendingCall askAppHistory(Proxy &proxy, const QString &app, Period period)
{
    switch (period) {
    case Period::Today:
        return proxy.notifyGetAppTodayFlowData(app);
    case Period::Yesterday:
        return proxy.notifyGetAppYesterdayFlowData(app);
    case Period::ThisMonth:
        return proxy.notifyGetAppThisMonthFlowData(app);
    case Period::LastMonth:
        break;
    }
    return proxy.notifyGetAppLastMonthFlowData(app);
}

} // namespace

TrafficService::TrafficService(QObject *parent)
    : QObject(parent), m_proxy(s_serviceName, s_servicePath, QDBusConnection::sessionBus())
{
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    m_proxy.setTimeout(answerTimeoutMs);
    connect(&m_proxy, &ComNimbraWardenTrafficdetailsInterface::displayspped, this,
            &TrafficService::speedListArrived);
    connect(&m_proxy, &ComNimbraWardenTrafficdetailsInterface::displayflow, this,
            &TrafficService::flowListArrived);
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

bool TrafficService::requestPeriod(Period period)
{
    return connectedToBus() && finish(askPeriod(m_proxy, period));
}

bool TrafficService::requestAppHistory(const QString &app, Period period, WardenAppFlowList *rows)
{
    if (!connectedToBus())
        return false;
    // The answer names neither the period nor the request; it is only told apart by the
    // application its rows hold, so listen before asking.
    QEventLoop loop;
    bool answered = false;
    const QMetaObject::Connection answer =
        connect(&m_proxy, &ComNimbraWardenTrafficdetailsInterface::sendAppFlowData, &loop,
                [&](const WardenAppFlowList &answerRows) {
                    if (answered || !answersFor(answerRows, app))
                        return;
                    answered = true;
                    *rows = answerRows;
                    loop.quit();
                });

    bool ok = finish(askAppHistory(m_proxy, app, period));
    if (ok && !answered) {
        QTimer::singleShot(answerTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        if (!answered) {
            m_error = QStringLiteral("the service %1 sent no history for %2 within %3 seconds")
                          .arg(s_serviceName, app)
                          .arg(answerTimeoutMs / 1000);
            ok = false;
        }
    }
    disconnect(answer);
    return ok;
}

bool TrafficService::quit()
{
    return connectedToBus() && finish(m_proxy.ExitApp());
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
    const QDBusError error = pending.error();
    switch (error.type()) {
    case QDBusError::NoError:
        return true;
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
    return false;
}
