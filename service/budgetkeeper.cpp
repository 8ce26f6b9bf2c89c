// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/budgetkeeper.h"

#include "desktopnotifications.h"
#include "display/wardenhandlethread.h"
#include "history/usedata.h"
#include "presentation/units.h"
#include "records/clock.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QDebug>
#include <QFileInfo>
#include <algorithm>

namespace {
void reply(const QDBusMessage &message)
{
    QDBusConnection::sessionBus().send(message);
}

void replyInvalid(const QDBusMessage &call, const QString &why)
{
    reply(call.createErrorReply(QDBusError::InvalidArgs, why));
}

QString bytesText(quint64 bytes)
{
    return amountText(bytes / 1024.0, Units::Human);
}

QDate today()
{
    return Clock::now().date();
}
} // namespace

BudgetKeeper::BudgetKeeper(UseData *store, WardenHandleThread *display, QObject *parent)
    : QObject(parent), m_store(store), m_display(display),
      m_notifications(new DesktopNotifications(QStringLiteral("org.freedesktop.Notifications"),
                                               QStringLiteral("/org/freedesktop/Notifications"),
                                               QDBusConnection::sessionBus(), this))
{
    m_book.load();
    connect(m_store, &UseData::answered, this, &BudgetKeeper::onAnswer);
    // Queued: a refusal comes while the asking is still under way.
    connect(m_store, &UseData::refused, this, &BudgetKeeper::onRefused, Qt::QueuedConnection);
    connect(m_store, &UseData::flowSaved, this, &BudgetKeeper::refresh);
}

void BudgetKeeper::set(const QDBusMessage &call, const QString &desktopId, const QString &period,
                       quint64 limitBytes, quint32 warnPercent, quint32 cycleStartDay)
{
    const QString why = BudgetBook::invalidReason(period, limitBytes, warnPercent, cycleStartDay);
    if (!why.isEmpty()) {
        replyInvalid(call, why);
        return;
    }
    WardenBudget budget;
    budget.desktopId = desktopId;
    budget.period = period;
    budget.limitBytes = limitBytes;
    budget.warnPercent = warnPercent;
    budget.cycleStartDay = cycleStartDay;
    if (desktopId.isEmpty() || launcherApplication(desktopId)) {
        finishSet(budget, call, true);
    } else {
        // Whether the history holds the application: all of it the store keeps.
        const QDate month = today().addMonths(-2);
        m_checks.insert(ask(QDate(month.year(), month.month(), 1)), {budget, call});
    }
}

void BudgetKeeper::finishSet(const WardenBudget &budget, const QDBusMessage &call, bool known)
{
    m_book.reloadIfChanged();
    if (!known) {
        replyInvalid(call, QStringLiteral("unknown application \"%1\"").arg(budget.desktopId));
    } else if (!m_book.set(budget)) {
        reply(call.createErrorReply(QDBusError::Failed,
                                    QStringLiteral("the budgets file could not be written")));
    } else {
        reply(call.createReply());
        refresh();
    }
}

void BudgetKeeper::clear(const QDBusMessage &call, const QString &desktopId, const QString &period)
{
    m_book.reloadIfChanged();
    if (m_book.clear(desktopId, period))
        reply(call.createReply());
    else
        replyInvalid(call, QStringLiteral("no %1 budget for \"%2\"")
                               .arg(period, desktopId.isEmpty() ? "all traffic" : desktopId));
}

void BudgetKeeper::list(const QDBusMessage &call)
{
    const QSet<quint64> ids = refresh();
    if (ids.isEmpty())
        reply(call.createReply(QVariant::fromValue(m_book.budgets(today()))));
    else
        m_listings.append({call, ids});
}

QSet<quint64> BudgetKeeper::refresh()
{
    m_book.reloadIfChanged();
    QSet<quint64> ids;
    for (const QDate &firstDay : m_book.cycleStarts(today()))
        ids.insert(ask(firstDay));
    return ids;
}

quint64 BudgetKeeper::ask(const QDate &firstDay)
{
    const HistoryRequest request = HistoryRequest::useSince(firstDay);
    m_asked.insert(request.id);
    m_store->request(request);
    return request.id;
}

void BudgetKeeper::onAnswer(const HistoryAnswer &answer)
{
    if (m_asked.remove(answer.request.id))
        onUse(answer.request.id, answer.firstDay, answer.ok, answer.rows);
}

void BudgetKeeper::onRefused(quint64 requestId)
{
    if (m_asked.remove(requestId))
        onUse(requestId, {}, false, {});
}

void BudgetKeeper::onUse(quint64 requestId, QDate firstDay, bool ok,
                         QList<AppFlowDateParameter> use)
{
    const auto check = m_checks.find(requestId);
    if (check != m_checks.end()) {
        const WardenBudget budget = check->first;
        const QDBusMessage call = check->second;
        m_checks.erase(check);
        if (ok)
            finishSet(budget, call, std::any_of(use.cbegin(), use.cend(), [&](const auto &app) {
                          return app.appname == budget.desktopId;
                      }));
        else
            reply(call.createErrorReply(QDBusError::Failed,
                                        QStringLiteral("the traffic history could not be read")));
        return;
    }
    if (ok)
        for (const BudgetBook::Crossing &crossing : m_book.record(firstDay, use, today()))
            announce(crossing);
    for (int i = m_listings.size() - 1; i >= 0; --i) {
        Listing &listing = m_listings[i];
        listing.waitingFor.remove(requestId);
        if (listing.waitingFor.isEmpty())
            reply(m_listings.takeAt(i).call.createReply(
                QVariant::fromValue(m_book.budgets(today()))));
    }
}

void BudgetKeeper::announce(const BudgetBook::Crossing &crossing)
{
    const WardenBudget &budget = crossing.budget;
    emit budgetReached(budget.desktopId, budget.period, crossing.level, budget.usedBytes,
                       budget.limitBytes);
    qDebug().noquote() << QStringLiteral("budget reached: %1 %2 %3 %4/%5")
                              .arg(budget.desktopId.isEmpty() ? "all" : budget.desktopId,
                                   budget.period, crossing.level, QString::number(budget.usedBytes),
                                   QString::number(budget.limitBytes));
    notify(crossing);
}

// Sent without waiting: a slow or missing notification daemon never holds up the service.
void BudgetKeeper::notify(const BudgetBook::Crossing &crossing)
{
    const WardenBudget &budget = crossing.budget;
    QString name = QStringLiteral("All traffic");
    QString icon = QStringLiteral("network-transmit-receive");
    if (!budget.desktopId.isEmpty()) {
        const allApp *app = launcherApplication(budget.desktopId);
        name = app ? app->appName : budget.desktopId;
        icon = app ? app->icon : QStringLiteral("application-x-executable");
    }
    const bool limit = crossing.level == QLatin1String("limit");
    const QString summary = limit ? QStringLiteral("%1: data budget reached").arg(name)
                                  : QStringLiteral("%1: %2 % of the data budget used")
                                        .arg(name, QString::number(budget.warnPercent));
    const QString span = budget.period == QLatin1String("day")
                             ? QStringLiteral("today")
                             : QStringLiteral("since %1").arg(budget.cycleStart);
    const QString body = QStringLiteral("%1 of %2 used %3.")
                             .arg(bytesText(budget.usedBytes), bytesText(budget.limitBytes), span);
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(limit ? 2 : 1)}};
    auto *watcher =
        new QDBusPendingCallWatcher(m_notifications->Notify(QStringLiteral("Network Traffic"), 0,
                                                            icon, summary, body, {}, hints, -1),
                                    this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                if (!call->isError()) {
                    m_notifyFailureLogged = false;
                } else if (!m_notifyFailureLogged) {
                    m_notifyFailureLogged = true;
                    qDebug().noquote()
                        << "budget notifications are not shown:" << call->error().message();
                }
            });
}

const allApp *BudgetKeeper::launcherApplication(const QString &desktopId) const
{
    for (const allApp &app : qAsConst(m_display->applications()))
        if (QFileInfo(app.desktopPath).fileName() == desktopId)
            return &app;
    return nullptr;
}
