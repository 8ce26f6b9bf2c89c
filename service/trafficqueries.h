// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/historyrequest.h"
#include "records/wardenapplication.h"

#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QObject>

class TrafficDetailsWorker;
class UseData;
class WardenHandleThread;

// Answers the queries interface's calls, each to its own caller. History comes from the
// store's thread later, so every call is answered by a reply message of its own; each store
// request carries an id that its answer echoes, which tells the callers apart.
class TrafficQueries : public QObject
{
    Q_OBJECT
public:
    TrafficQueries(UseData *store, TrafficDetailsWorker *worker, WardenHandleThread *display,
                   QObject *parent = nullptr);

    void appHistory(const QDBusMessage &call, const QString &appname, const QString &period);
    void totals(const QDBusMessage &call, const QString &period);
    WardenApplicationList applications() const;
    QString currentPeriod() const;

private:
    void onAnswered(const HistoryAnswer &answer);
    void onRefused(quint64 requestId);
    // Replies with an error and returns false when `name` is no period.
    bool periodArgument(const QDBusMessage &call, const QString &name, FlowPeriod *period) const;
    void ask(const QDBusMessage &call, const HistoryRequest &request);
    // The waiting call, or none when `ok` is false and the call has been told so.
    QDBusMessage takeAnswered(quint64 requestId, bool ok);

    UseData *m_store;
    TrafficDetailsWorker *m_worker;
    WardenHandleThread *m_display;
    QHash<quint64, QDBusMessage> m_waiting;
};
