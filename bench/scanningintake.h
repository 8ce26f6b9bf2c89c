// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/appparameter.h"

#include "peerrecords.h"

#include <QList>
#include <QMap>
#include <QString>

// The sample intake as first built: linear searches of the pid list and the
// process records, and a scan of the whole working list per sample. Kept as
// the benchmark's baseline.
class ScanningIntake
{
public:
    WardenProcessInfoList m_procInfoList;
    WardenProcessList m_procPidList;

    void take(const QString &name, double recv, double send, int pid, const QString &device,
              const QString &type);

private:
    void scan(QList<AppParameter> &entries);

    QMap<QString, QList<AppParameter>> m_flowMap;
    QList<AppParameter> m_speedEntries;
    QList<AppParameter> m_totalEntries;
    QList<AppParameter> m_speedList;
    QList<AppParameter> m_totalList;
    AppParameter m_appParameter;
    int m_matchState = 1;
};
