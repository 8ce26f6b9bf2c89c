// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/historyview.h"
#include "queriesinterface.h"

#include <QObject>

// One history question, for one application or (an empty desktop id) for all of them: the
// period's totals of every application, then the history of each one the answer holds, or of
// the one asked for. Answers arrive asynchronously; the request deletes itself after finished
// or failed.
class HistoryRequest : public QObject
{
    Q_OBJECT
public:
    HistoryRequest(TrafficQueriesInterface &queries, const QString &desktopId, const QString &name,
                   const QString &period, QObject *parent);

signals:
    // The history, and every application's totals over the period.
    void finished(const HistoryView &view, const WardenDisplayList &totals);
    void failed(const QString &error);

private:
    void takeTotals(const WardenDisplayList &totals, const QString &firstDay);
    void askHistory(const QString &desktopId);
    void takeHistory(const WardenAppFlowList &rows, const QString &firstDay);
    void fail(const QString &error);

    TrafficQueriesInterface &m_queries;
    HistoryView m_view;
    WardenDisplayList m_totals;
    int m_waiting = 0;
    bool m_over = false;
};
