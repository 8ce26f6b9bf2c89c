// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"

#include <QDate>
#include <QList>
#include <QSqlQuery>

// The period answers computed by reading flowDetail's rows of each day, as they were stored.
// Slow on a large file, but needs nothing besides the table.
namespace LiteralFlowQueries {

// Merges the all-application totals of `day` into `list`; false when the SELECT failed.
bool queryDay(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day);
// Fills `list` with the all-application totals of the month of `day`; false at the first
// failing day, keeping what the earlier days merged.
bool queryMonth(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day);
// One application's 24 hourly records of `day`; a failing SELECT gives zeros and clears `ok`.
QList<AppFlowDateParameter> queryAppDay(QSqlQuery &query, const QString &appname, const QDate &day,
                                        bool *ok = nullptr);
// One application's record for each day of the month of `day`.
QList<AppFlowDateParameter> queryAppMonth(QSqlQuery &query, const QString &appname,
                                          const QDate &day, bool *ok = nullptr);

} // namespace LiteralFlowQueries
