// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMap>
#include <QPair>
#include <QString>

// What the collector keeps beside a save to continue from it after a restart. The store writes
// it in the save's transaction and hands it back at start without looking inside.
struct CollectorSnapshot
{
    // Tells whether the counters' source is still the same one.
    QString identity;
    // Downloaded and uploaded amounts under keys only the collector reads.
    QMap<QString, QPair<double, double>> counters;
};
