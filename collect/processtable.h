// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/appparameter.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

// The latest figures of each process, found by pid and added up by application.
class ProcessTable
{
public:
    bool contains(int pid) const { return m_byPid.contains(pid); }
    AppParameter value(int pid) const { return m_byPid.value(pid); }
    QList<int> pids() const { return m_byPid.keys(); }
    // Replaces the process's figures; it then belongs to `figures.desktop`.
    void insert(const AppParameter &figures);
    AppParameter take(int pid);
    // Received and sent figures of the application's processes, added up.
    QPair<double, double> sum(const QString &desktop) const;

private:
    QHash<int, AppParameter> m_byPid;
    QHash<QString, QSet<int>> m_pidsByDesktop;
};
