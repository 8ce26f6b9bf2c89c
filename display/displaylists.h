// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "display/allapp.h"
#include "display/applicationmatcher.h"
#include "display/speedsamplechains.h"
#include "records/appparameter.h"
#include "records/wardendisplay.h"

#include <QList>
#include <QStringList>

// The speed and flow lists and the named save list, built from the worker's figures and the
// launcher's applications. Desktop names are matched as case-sensitive substrings of desktop
// paths, through indexes: a scan of every pair costs too much at a thousand applications.
class DisplayLists
{
public:
    // Zero speed rows, application-major: one for each desktop entry whose name, after the
    // alias table, the application's path holds.
    void rebuildSpeedRows(const QList<allApp> &allApps, const QStringList &desktops);
    // The totals, each named after the last application in launcher order that matches it.
    QList<AppParameter> namedSaveList(const QList<allApp> &apps, QList<AppParameter> totals);
    // The rows take the samples' figures; their sums add what is fresh.
    void fillSpeedRows(const QList<AppParameter> &speedSamples);
    // One row for each history record and matching application, record-major.
    WardenDisplayList flowRows(const QList<allApp> &apps, const QList<AppParameter> &history);

    // Kept across cycles until the next rebuild.
    const WardenDisplayList &speedRows() const { return m_speedRows; }

private:
    WardenDisplayList m_speedRows;
    // Desktop-name lookups in the application lists, and the speed samples each speed row
    // takes, kept across cycles.
    ApplicationMatcher m_allAppMatcher;
    ApplicationMatcher m_appMatcher;
    SpeedSampleChains m_speedChains;
};
