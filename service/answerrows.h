// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "history/appflowdateparameter.h"
#include "records/wardenrecords.h"

#include <QList>

// The store's history rows in the forms the bus carries them.

// Each row numbered by its position in the answer.
WardenAppFlowList numberedAppFlows(const QList<AppFlowDateParameter> &rows);

// The rows the flow list shows for these all-application totals: one per pair of a record and
// an application whose desktop path contains the record's desktop name.
WardenDisplayList flowDisplayRows(const QList<AppFlowDateParameter> &records,
                                  const QList<allApp> &apps);
