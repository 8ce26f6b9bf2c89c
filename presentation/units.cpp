// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/units.h"

#include <QRegularExpression>
#include <array>
#include <cmath>
#include <utility>

namespace {
const std::array<std::pair<Units, const char *>, 5> kNames{{
    {Units::Human, "human"},
    {Units::B, "B"},
    {Units::KiB, "KiB"},
    {Units::MiB, "MiB"},
    {Units::GiB, "GiB"},
}};

double kibibytesPer(Units units)
{
    switch (units) {
    case Units::B:
        return 1.0 / 1024;
    case Units::MiB:
        return 1024;
    case Units::GiB:
        return 1024.0 * 1024;
    case Units::Human:
    case Units::KiB:
        break;
    }
    return 1;
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
    return QStringLiteral("KiB");
}

Units humanUnit(double kibibytes)
{
    const double size = std::fabs(kibibytes);
    for (const Units unit : {Units::B, Units::KiB, Units::MiB}) {
        if (size / kibibytesPer(unit) < 999.5)
            return unit;
    }
    return Units::GiB;
}

QString amountText(double kibibytes, Units units)
{
    if (units != Units::Human)
        return QString::number(kibibytes / kibibytesPer(units), 'f', 2);
    const Units unit = humanUnit(kibibytes);
    return humanFigure(kibibytes / kibibytesPer(unit), unit) + QLatin1Char(' ') + unitSymbol(unit);
}

QString speedText(double kibibytesPerSecond, Units units)
{
    const QString text = amountText(kibibytesPerSecond, units);
    return units == Units::Human ? text + QStringLiteral("/s") : text;
}

double fixedFigure(double kibibytes, Units units)
{
    return std::round(kibibytes / kibibytesPer(units) * 1000) / 1000;
}

bool bytesFromSize(const QString &text, quint64 *bytes)
{
    static const QRegularExpression size(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*(?:(B)|([KMG])(?:i?B)?)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch())
        return false;
    const QString prefix = match.captured(3).toUpper();
    const double kibibytes = prefix == QLatin1String("G")   ? kibibytesPer(Units::GiB)
                             : prefix == QLatin1String("M") ? kibibytesPer(Units::MiB)
                             : prefix == QLatin1String("K") ? 1
                                                            : kibibytesPer(Units::B);
    const double figure = std::round(match.captured(1).toDouble() * kibibytes * 1024);
    if (figure < 1 || figure > 9.0e18)
        return false;
    *bytes = static_cast<quint64>(figure);
    return true;
}
