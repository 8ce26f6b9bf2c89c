#pragma once

#include "history/appflowdateparameter.h"

#include <QDate>
#include <QList>
#include <QSqlQuery>

// The period answers computed from the running sums of FlowSummaries; the same records as
// LiteralFlowQueries gives, read from a few hundred rows at most.
namespace SummaryFlowQueries {

bool queryDay(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day);
bool queryMonth(QSqlQuery &query, QList<AppFlowDateParameter> &list, const QDate &day);
QList<AppFlowDateParameter> queryAppDay(QSqlQuery &query, const QString &appname, const QDate &day);
QList<AppFlowDateParameter> queryAppMonth(QSqlQuery &query, const QString &appname,
                                          const QDate &day);

} // namespace SummaryFlowQueries
