// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"

#include <QList>
#include <QVariant>

namespace FlowSave {

// The rows a save writes: each cached sample's growth against the first sample of the same
// application in the reference; its own totals when the application is new. An amount lower
// than the reference is a counter that started again, so all of it is new growth; each
// direction is judged on its own.
QList<AppFlowDateParameter> rowsToSave(const QList<AppFlowDateParameter> &cache,
                                       const QList<AppFlowDateParameter> &reference);

// The reference after a save of `cache`: the cache's first sample of each application, and the
// earlier reference of applications the cache does not hold, so that they do not count again.
QList<AppFlowDateParameter> nextReference(const QList<AppFlowDateParameter> &cache,
                                          const QList<AppFlowDateParameter> &reference);

// One amount as two parameters of "coalesce(CAST(? AS REAL), ?)", so the stored value is what
// the amount's six-digit text would store as an SQL literal: an integer for "0" or "125",
// a real parsed by SQLite itself for "12.5" or "1.23457e+06". Infinity and NaN, which have no
// literal, are bound as doubles.
struct BoundAmount
{
    QVariant realText;
    QVariant value;
};
BoundAmount boundAmount(double amount);

} // namespace FlowSave
