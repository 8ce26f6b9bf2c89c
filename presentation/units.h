// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// How figures are shown. The service passes the monitor's figures on in units of 1024 bytes
// (KiB, and KiB/s for speeds); every unit here is a power of 1024 bytes, so KiB shows the
// service's own figures unchanged.
enum class Units { Human, B, KiB, MiB, GiB };

QStringList unitNames(); // "human", then the fixed units
bool unitsFromName(const QString &name, Units *units);
// The fixed unit's symbol; KiB for Human, whose figures machine-readable output keeps in KiB.
QString unitSymbol(Units units);
// The fixed unit `kibibytes` reads best in: below 1000 of it.
Units humanUnit(double kibibytes);

// `kibibytes` in `units`: Human picks B, KiB, MiB or GiB by size and writes about three
// significant digits with the symbol; a fixed unit gives the bare figure with two decimals.
QString amountText(double kibibytes, Units units);
// The same for a speed in KiB/s, with "/s" after a human unit.
QString speedText(double kibibytesPerSecond, Units units);
// `kibibytes` in the fixed unit, rounded to a thousandth: JSON carries no floating-point noise.
double fixedFigure(double kibibytes, Units units);
// A size as people type it, "5GiB", "1.5 MiB" or "700": a figure and one of B, KiB, MiB or
// GiB, bytes without one. K, M and G with or without B mean the same powers of 1024.
bool bytesFromSize(const QString &text, quint64 *bytes);
