// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"

#include <QSqlQuery>

namespace FlowRow {

// A record from the current row of a query whose columns are those of flowDetail, in its
// order: appname, sName, hour key, totalFlow, downloadedFlow, uploadedFlow.
AppFlowDateParameter fromQuery(const QSqlQuery &query);

} // namespace FlowRow
