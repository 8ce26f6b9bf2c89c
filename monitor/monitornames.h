// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// The monitor's names on the system bus and its two sample types.
namespace MonitorNames {

inline QString service()
{
    return QStringLiteral("com.nimbra.warden.MonitorNetFlow");
}
inline QString path()
{
    return QStringLiteral("/com/nimbra/warden/MonitorNetFlow");
}
inline QString interface()
{
    return QStringLiteral("com.nimbra.warden.MonitorNetFlow");
}
inline QString speedType()
{
    return QStringLiteral("kb/s");
}
inline QString totalType()
{
    return QStringLiteral("total_kb");
}

} // namespace MonitorNames
