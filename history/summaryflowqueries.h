// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "history/unsummedspans.h"

#include <QDate>
#include <QList>
#include <QSqlQuery>

// The period answers computed from the running sums of FlowSummaries; the same records as
// LiteralFlowQueries gives, read from a few hundred rows at most. The sums cover the rows up to
// `unsummed.summedTo()`; rows written after it, while the sums are built, are read from the
// table, in the spans where the period's keys may lie, and only once for a period asked again.
namespace SummaryFlowQueries {

bool queryDay(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day,
              UnsummedSpans &unsummed);
bool queryMonth(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day,
                UnsummedSpans &unsummed);
// The all-application totals of `count` days from `first` on, merged into `list`.
bool queryDays(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &first, int count,
               UnsummedSpans &unsummed);
// `ok`, when given, is cleared when the sums could not be read.
QList<AppFlowDateParameter> queryAppDay(QSqlQuery &query, const QString &appname, const QDate &day,
                                        UnsummedSpans &unsummed, bool *ok = nullptr);
QList<AppFlowDateParameter> queryAppMonth(QSqlQuery &query, const QString &appname,
                                          const QDate &day, UnsummedSpans &unsummed,
                                          bool *ok = nullptr);

} // namespace SummaryFlowQueries
