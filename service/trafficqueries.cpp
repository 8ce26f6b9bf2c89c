// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/trafficqueries.h"

#include "collect/trafficdetailsworker.h"
#include "display/wardenhandlethread.h"
#include "history/usedata.h"
#include "records/periodnames.h"
#include "service/answerrows.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QFileInfo>

namespace {
void reply(const QDBusMessage &message)
{
    QDBusConnection::sessionBus().send(message);
}

constexpr HistoryRequest::Answering kOnce = HistoryRequest::Answering::Once;

QString dayText(const QDate &day)
{
    return day.toString(Qt::ISODate);
}
} // namespace

TrafficQueries::TrafficQueries(UseData *store, TrafficDetailsWorker *worker,
                               WardenHandleThread *display, QObject *parent)
    : QObject(parent), m_store(store), m_worker(worker), m_display(display)
{
    connect(m_store, &UseData::answered, this, &TrafficQueries::onAnswered);
    // Emitted while the call is being handled, in this thread: the error goes out at once.
    connect(m_store, &UseData::refused, this, &TrafficQueries::onRefused, Qt::DirectConnection);
}

void TrafficQueries::appHistory(const QDBusMessage &call, const QString &appname,
                                const QString &period)
{
    FlowPeriod flowPeriod;
    if (periodArgument(call, period, &flowPeriod))
        ask(call, HistoryRequest::application(appname, flowPeriod, kOnce));
}

void TrafficQueries::totals(const QDBusMessage &call, const QString &period)
{
    FlowPeriod flowPeriod;
    if (periodArgument(call, period, &flowPeriod))
        ask(call, HistoryRequest::allApplications(flowPeriod, kOnce));
}

WardenApplicationList TrafficQueries::applications() const
{
    WardenApplicationList list;
    for (const allApp &app : qAsConst(m_display->applications()))
        list.append(
            {QFileInfo(app.desktopPath).fileName(), app.appName, app.icon, app.desktopPath});
    return list;
}

QString TrafficQueries::currentPeriod() const
{
    return periodName(m_worker->currentPeriod());
}

void TrafficQueries::onAnswered(const HistoryAnswer &answer)
{
    if (answer.request.answering != kOnce)
        return;
    const QDBusMessage call = takeAnswered(answer.request.id, answer.ok);
    if (call.type() != QDBusMessage::MethodCallMessage)
        return;
    const QVariant rows =
        answer.request.all
            ? QVariant::fromValue(flowDisplayRows(answer.rows, m_display->applications()))
            : QVariant::fromValue(numberedAppFlows(answer.rows));
    reply(call.createReply({rows, dayText(answer.firstDay)}));
}

void TrafficQueries::onRefused(quint64 requestId)
{
    const QDBusMessage call = m_waiting.take(requestId);
    if (call.type() == QDBusMessage::MethodCallMessage)
        reply(call.createErrorReply(QDBusError::LimitsExceeded,
                                    QStringLiteral("too many history requests are waiting; "
                                                   "try again later")));
}

QDBusMessage TrafficQueries::takeAnswered(quint64 requestId, bool ok)
{
    const QDBusMessage call = m_waiting.take(requestId);
    if (ok || call.type() != QDBusMessage::MethodCallMessage)
        return call;
    reply(call.createErrorReply(QDBusError::Failed,
                                QStringLiteral("the traffic history could not be read")));
    return {};
}

bool TrafficQueries::periodArgument(const QDBusMessage &call, const QString &name,
                                    FlowPeriod *period) const
{
    if (periodFromName(name, period))
        return true;
    reply(call.createErrorReply(QDBusError::InvalidArgs,
                                QStringLiteral("unknown period \"%1\"; use one of: %2")
                                    .arg(name, periodNames().join(QStringLiteral(", ")))));
    return false;
}

void TrafficQueries::ask(const QDBusMessage &call, const HistoryRequest &request)
{
    m_waiting.insert(request.id, call);
    m_store->request(request);
}
