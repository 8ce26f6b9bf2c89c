// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "units.h"

#include <array>
#include <cmath>
#include <utility>

namespace {
const std::array<std::pair<Units, const char *>, 5> kNames{{
    {Units::Human, "human"},
    {Units::B, "B"},
    {Units::kB, "kB"},
    {Units::MB, "MB"},
    {Units::GB, "GB"},
}};

double kilobytesPer(Units units)
{
    switch (units) {
    case Units::B:
        return 0.001;
    case Units::MB:
        return 1e3;
    case Units::GB:
        return 1e6;
    case Units::Human:
    case Units::kB:
        break;
    }
    return 1;
}

Units humanUnit(double kilobytes)
{
    const double size = std::fabs(kilobytes);
    if (size < 1)
        return Units::B;
    if (size < 1e3)
        return Units::kB;
    if (size < 1e6)
        return Units::MB;
    return Units::GB;
}

QString humanFigure(double value, Units unit)
{
    if (unit == Units::B)
        return QString::number(std::round(value), 'f', 0);
    const double size = std::fabs(value);
    return QString::number(value, 'f', size < 9.995 ? 2 : size < 99.95 ? 1 : 0);
}
} // namespace

QStringList unitNames()
{
    QStringList names;
    for (const auto &entry : kNames)
        names << QLatin1String(entry.second);
    return names;
}

bool unitsFromName(const QString &name, Units *units)
{
    for (const auto &entry : kNames) {
        if (name == QLatin1String(entry.second)) {
            *units = entry.first;
            return true;
        }
    }
    return false;
}

QString unitSymbol(Units units)
{
    for (const auto &entry : kNames) {
        if (entry.first == units && units != Units::Human)
            return QLatin1String(entry.second);
    }
    return QStringLiteral("kB");
}

QString amountText(double kilobytes, Units units)
{
    if (units != Units::Human)
        return QString::number(kilobytes / kilobytesPer(units), 'f', 2);
    const Units unit = humanUnit(kilobytes);
    return humanFigure(kilobytes / kilobytesPer(unit), unit) + QLatin1Char(' ') + unitSymbol(unit);
}

QString speedText(double kilobytesPerSecond, Units units)
{
    const QString text = amountText(kilobytesPerSecond, units);
    return units == Units::Human ? text + QStringLiteral("/s") : text;
}

double fixedFigure(double kilobytes, Units units)
{
    return std::round(kilobytes / kilobytesPer(units) * 1000) / 1000;
}
