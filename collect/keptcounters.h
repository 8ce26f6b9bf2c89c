// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "collect/processcounters.h"
#include "history/collectorsnapshot.h"

#include <QHash>
#include <QPair>
#include <QString>

// The collector's counters as a save keeps them, and back.
namespace KeptCounters {
// Received and sent growth credited to each application.
using ApplicationTotals = QHash<QString, QPair<double, double>>;

CollectorSnapshot snapshot(const QString &monitorIdentity, const ProcessCounters &counters,
                           const ApplicationTotals &totals);
// Adds what was kept to `totals`, and the processes' counters when the same monitor still runs.
void restore(const CollectorSnapshot &kept, const QString &monitorIdentity,
             ProcessCounters &counters, ApplicationTotals &totals);
} // namespace KeptCounters
