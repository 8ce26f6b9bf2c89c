// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"

#include <QDate>
#include <QList>

// How period answers combine records; every way of answering must add in this order so that
// the amounts come out bit for bit the same.
namespace FlowMerge {

// The list's record of the same application, if any, adds its amounts to `record`, which then
// takes its place; otherwise `record` is appended.
void mergeByAppname(QList<AppFlowDateParameter> &list, AppFlowDateParameter record);
// The same, keyed by the hour key in `date`.
void mergeByDate(QList<AppFlowDateParameter> &list, AppFlowDateParameter record);

// The 24 hourly records of one application's day from its records merged by hour key.
QList<AppFlowDateParameter> hourlyAnswer(const QString &appname, const QDate &day,
                                         QList<AppFlowDateParameter> byHourKey);
// One application's record of a day from its 24 hourly records.
AppFlowDateParameter dailyRecord(const QString &appname, const QDate &day,
                                 const QList<AppFlowDateParameter> &hours);

} // namespace FlowMerge
