// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/periodnames.h"

#include <array>
#include <utility>

namespace {
const std::array<std::pair<FlowPeriod, const char *>, 4> kNames{{
    {FlowPeriod::Today, "today"},
    {FlowPeriod::Yesterday, "yesterday"},
    {FlowPeriod::ThisMonth, "month"},
    {FlowPeriod::LastMonth, "last-month"},
}};
} // namespace

QStringList periodNames()
{
    QStringList names;
    for (const auto &entry : kNames)
        names << QLatin1String(entry.second);
    return names;
}

bool periodFromName(const QString &name, FlowPeriod *period)
{
    for (const auto &entry : kNames) {
        if (name == QLatin1String(entry.second)) {
            *period = entry.first;
            return true;
        }
    }
    return false;
}

QString periodName(FlowPeriod period)
{
    for (const auto &entry : kNames) {
        if (entry.first == period)
            return QLatin1String(entry.second);
    }
    return {};
}
