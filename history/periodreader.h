// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "history/historyrequest.h"

#include <QDateTime>
#include <QList>
#include <QString>

class FlowSummaries;
class QSqlQuery;

// Reads a request's rows: from the sums once they follow the rows, from the rows until then.
class PeriodReader
{
public:
    // Both belong to the store and outlive the reader; the query's connection is open.
    PeriodReader(QSqlQuery &query, FlowSummaries &summaries);

    // False when the rows could not be read.
    bool read(const HistoryRequest &request, const QDateTime &now,
              QList<AppFlowDateParameter> &rows);

private:
    bool queryDay(QList<AppFlowDateParameter> &list, const QDate &day);
    bool queryMonth(QList<AppFlowDateParameter> &list, const QDate &day);
    QList<AppFlowDateParameter> queryAppDay(const QString &appname, const QDate &day, bool *ok);
    QList<AppFlowDateParameter> queryAppMonth(const QString &appname, const QDate &day, bool *ok);
    bool fromSummaries();

    QSqlQuery &m_query;
    FlowSummaries &m_summaries;
};
