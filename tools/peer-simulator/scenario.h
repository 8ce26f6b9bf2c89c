// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// One process the monitor reports: its record and how its traffic behaves.
struct SimulatedProcess
{
    WardenProcessInfo info;
    QString device = QStringLiteral("eth0");
    // Mean speeds in kb/s, varied from sample to sample unless a script is given.
    double recv = 8;
    double send = 2;
    // Fixed (recv, send) speeds, played in a loop.
    QVector<QPair<double, double>> script;
};

// Everything the simulated peers start with.
struct Scenario
{
    LauncherItemInfoList applications;
    QList<SimulatedProcess> processes;
    WardenProcessList pidList;
    QStringList desktopList;
    QStringList guiDesktopList;
    bool launcherFails = false;
    int sampleIntervalMs = 1000;
    int publishIntervalMs = 5000;
    quint32 seed = 1;

    WardenProcessInfoList processInfos() const;
};

// Reads a scenario from a JSON file; on failure returns false and describes why in `error`.
bool loadScenario(const QString &path, Scenario &scenario, QString &error);
