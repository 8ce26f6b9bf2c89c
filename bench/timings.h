// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QVector>

// Repeated measurements of one operation, in milliseconds.
struct Timings
{
    QVector<double> runs;
    double min() const;
    double median() const;
    QString text() const; // "min / median", or "-" without runs
};

// Peak resident memory reset and read, in kilobytes, for what one operation adds.
void resetPeakMemory();
qint64 peakMemoryKb();
qint64 currentMemoryKb();
