// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "timings.h"

#include <QFile>
#include <algorithm>

double Timings::min() const
{
    return runs.isEmpty() ? 0 : *std::min_element(runs.begin(), runs.end());
}

double Timings::median() const
{
    if (runs.isEmpty())
        return 0;
    QVector<double> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    return sorted.at(sorted.size() / 2);
}

QString Timings::text() const
{
    if (runs.isEmpty())
        return QStringLiteral("-");
    return QStringLiteral("%1 / %2").arg(min(), 0, 'f', 2).arg(median(), 0, 'f', 2);
}

namespace {
qint64 statusKb(const QByteArray &field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}
} // namespace

void resetPeakMemory()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

qint64 peakMemoryKb()
{
    return statusKb("VmHWM:");
}

qint64 currentMemoryKb()
{
    return statusKb("VmRSS:");
}
