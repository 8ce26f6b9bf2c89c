// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "history/appflowdateparameter.h"
#include "history/budgetbook.h"
#include "history/historyrequest.h"

#include <QDBusMessage>
#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

class DesktopNotifications;
class UseData;
class WardenHandleThread;

// Keeps the data budgets: answers the queries interface's budget calls, and after each save
// compares every budget's use in its current day or cycle with its warning level and its
// limit. A level reached is announced once per day or cycle: a signal, a log line and a
// desktop notification. Budgets never block traffic.
class BudgetKeeper : public QObject
{
    Q_OBJECT
public:
    BudgetKeeper(UseData *store, WardenHandleThread *display, QObject *parent = nullptr);

    // Each call is answered by a message of its own, some once the store has answered.
    void set(const QDBusMessage &call, const QString &desktopId, const QString &period,
             quint64 limitBytes, quint32 warnPercent, quint32 cycleStartDay);
    void clear(const QDBusMessage &call, const QString &desktopId, const QString &period);
    void list(const QDBusMessage &call);

signals:
    void budgetReached(const QString &desktopId, const QString &period, const QString &level,
                       qulonglong usedBytes, qulonglong limitBytes);

private:
    struct Listing
    {
        QDBusMessage call;
        QSet<quint64> waitingFor;
    };

    // Asks the use of every current day and cycle; returns the requests' ids.
    QSet<quint64> refresh();
    quint64 ask(const QDate &firstDay);
    void onAnswer(const HistoryAnswer &answer);
    void onRefused(quint64 requestId);
    void onUse(quint64 requestId, QDate firstDay, bool ok, QList<AppFlowDateParameter> use);
    void finishSet(const WardenBudget &budget, const QDBusMessage &call, bool known);
    void announce(const BudgetBook::Crossing &crossing);
    void notify(const BudgetBook::Crossing &crossing);
    // The launcher's application of that desktop id, if it lists one.
    const allApp *launcherApplication(const QString &desktopId) const;

    UseData *m_store;
    WardenHandleThread *m_display;
    DesktopNotifications *m_notifications;
    BudgetBook m_book;
    // The store's answers go to every asker; these are the keeper's own.
    QSet<quint64> m_asked;
    // Budgets of applications the launcher does not list, waiting for the history to say
    // whether it knows them.
    QHash<quint64, QPair<WardenBudget, QDBusMessage>> m_checks;
    QList<Listing> m_listings;
    bool m_notifyFailureLogged = false;
};
