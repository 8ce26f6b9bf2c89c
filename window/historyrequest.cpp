// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historyrequest.h"

#include "whenanswered.h"

#include <QDBusPendingReply>

HistoryRequest::HistoryRequest(TrafficQueriesInterface &queries, const QString &desktopId,
                               const QString &name, const QString &period, QObject *parent)
    : QObject(parent), m_queries(queries)
{
    m_view.appname = desktopId;
    m_view.name = name;
    m_view.period = period;
    using Reply = QDBusPendingReply<WardenDisplayList, QString>;
    whenAnswered<Reply>(m_queries.GetTotals(period), this, [this](const Reply &reply) {
        if (reply.isError())
            fail(reply.error().message());
        else
            takeTotals(reply.argumentAt<0>(), reply.argumentAt<1>());
    });
}

void HistoryRequest::takeTotals(const WardenDisplayList &totals, const QString &firstDay)
{
    m_totals = totals;
    m_view.firstDay = QDate::fromString(firstDay, Qt::ISODate);
    if (!m_view.appname.isEmpty()) {
        askHistory(m_view.appname);
        return;
    }
    for (const WardenDisplay &row : totals) {
        if (row.recvSum + row.sendSum > 0)
            askHistory(row.desktopName);
    }
    if (m_waiting == 0) {
        emit finished(m_view, m_totals);
        deleteLater();
    }
}

void HistoryRequest::askHistory(const QString &desktopId)
{
    ++m_waiting;
    using Reply = QDBusPendingReply<WardenAppFlowList, QString>;
    whenAnswered<Reply>(m_queries.GetAppHistory(desktopId, m_view.period), this,
                        [this](const Reply &reply) {
                            if (reply.isError())
                                fail(reply.error().message());
                            else
                                takeHistory(reply.argumentAt<0>(), reply.argumentAt<1>());
                        });
}

void HistoryRequest::takeHistory(const WardenAppFlowList &rows, const QString &firstDay)
{
    if (m_over)
        return;
    m_view.firstDay = QDate::fromString(firstDay, Qt::ISODate);
    // Every application's answer has a row per hour or day of the same period: all
    // applications together add up row by row.
    if (m_view.rows.isEmpty()) {
        m_view.rows = rows;
    } else {
        for (int i = 0; i < std::min(rows.size(), m_view.rows.size()); ++i) {
            m_view.rows[i].downloaded += rows.at(i).downloaded;
            m_view.rows[i].uploaded += rows.at(i).uploaded;
            m_view.rows[i].total += rows.at(i).total;
        }
    }
    if (--m_waiting == 0) {
        m_over = true;
        emit finished(m_view, m_totals);
        deleteLater();
    }
}

void HistoryRequest::fail(const QString &error)
{
    if (m_over)
        return;
    m_over = true;
    emit failed(error);
    deleteLater();
}
