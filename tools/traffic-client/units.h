// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// How figures are shown. The service counts kilobytes (kB/s for speeds); a kilobyte is
// taken as 1000 bytes.
enum class Units { Human, B, kB, MB, GB };

QStringList unitNames(); // "human", then the fixed units
bool unitsFromName(const QString &name, Units *units);
// The fixed unit's symbol; kB for Human, whose figures machine-readable output keeps in kB.
QString unitSymbol(Units units);

// `kilobytes` in `units`: Human picks B, kB, MB or GB by size and writes about three
// significant digits with the symbol; a fixed unit gives the bare figure with two decimals.
QString amountText(double kilobytes, Units units);
// The same for a speed in kB/s, with "/s" after a human unit.
QString speedText(double kilobytesPerSecond, Units units);
// `kilobytes` in the fixed unit, rounded to a thousandth: JSON carries no floating-point noise.
double fixedFigure(double kilobytes, Units units);
