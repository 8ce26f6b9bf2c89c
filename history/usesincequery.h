// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "history/flowsummaries.h"

#include <QDate>
#include <QList>
#include <QSqlQuery>

// Each application's traffic from a first day through a last one, one record per application
// with the amounts summed over the days, in the store's unit (KiB). Read from the running sums
// when they can be trusted (with the rows they do not cover yet, while they are built), else
// from the rows themselves.
namespace UseSinceQuery {

// False when the rows could not be read; `list` then holds what was read before.
bool query(QSqlQuery &query, FlowSummaries &summaries, QList<AppFlowDateParameter> &list,
           const QDate &first, const QDate &last);

} // namespace UseSinceQuery
