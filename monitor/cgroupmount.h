// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Where the cgroup v2 hierarchy is mounted and how the machine lays its cgroups out.
struct CgroupMount
{
    enum class Layout { Unified, Hybrid, None };

    Layout layout = Layout::None;
    QString path;

    QString describe() const;
};

// Reads a mountinfo table (the format of /proc/self/mountinfo).
CgroupMount findCgroupMount(const QString &mountInfo);
CgroupMount findCgroupMount();
