// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "records/appparameter.h"
#include "records/wardendisplay.h"

#include <QList>
#include <QStringList>

// The display lists built by plain nested scans over every pair, the way they
// were built before the indexes: the baseline of the live benchmark.
struct NestedScanLists
{
    QList<allApp> allApps; // the launcher's applications, then the web one
    QList<allApp> apps;    // the launcher's applications only
    WardenDisplayList speedRows;

    struct Cycle
    {
        QList<AppParameter> saveList;
        WardenDisplayList flowRows;
        WardenDisplayList speedRows;
    };

    void rebuildSpeedRows(const QStringList &desktopList);
    Cycle runCycle(const QList<AppParameter> &speedSamples, const QList<AppParameter> &totals,
                   const QList<AppParameter> &history);
};
