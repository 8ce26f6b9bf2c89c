// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "history/collectorsnapshot.h"
#include "history/retentiondecision.h"

#include <QList>
#include <QSqlDatabase>

// What a committed save leaves beside its rows, so that the next start continues from it:
// the totals the next growth is measured against, the collector's snapshot and the retention
// record with the boot it was made in. Files written before these tables existed read as empty.
namespace FlowReference {

struct Kept
{
    QList<AppFlowDateParameter> lastSaved;
    CollectorSnapshot collector;
    Retention::Record retention;
};

Kept read(const QSqlDatabase &db);
// Replaces what is kept; runs inside the save's transaction.
bool write(const QSqlDatabase &db, const Kept &kept);

} // namespace FlowReference
