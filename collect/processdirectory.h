// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"

#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>

// The analysis peer's process records and running pids, as the intake looks samples up in them.
class ProcessDirectory
{
public:
    // Keeps the records with their names and paths cut to a bounded length.
    void takeRecords(const WardenProcessInfoList &records);
    void takeRunning(const WardenProcessList &pids);

    const QSet<int> &running() const { return m_running; }
    // Desktop path and process name of the first record with this id.
    QPair<QString, QString> lookup(int pid) const;

private:
    WardenProcessInfoList m_records;
    // Index of each pid's first record in m_records.
    QHash<int, int> m_index;
    QSet<int> m_running;
};
