#pragma once

#include "history/appflowdateparameter.h"

#include <QList>
#include <QVariant>

namespace FlowSave {

// The rows a save writes: each cached sample's growth against the first sample of the same
// application in the last saved snapshot; zero growth when its total did not grow; its own
// totals when the application is new.
QList<AppFlowDateParameter> rowsToSave(const QList<AppFlowDateParameter> &cache,
                                       const QList<AppFlowDateParameter> &lastSaved);

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
