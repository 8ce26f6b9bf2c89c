// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// One application's bytes over one period, as the export writes them.
struct ExportRow
{
    QString desktopId;
    QString period;   // "today", "month" or "cycle"
    QDate cycleStart; // first day of a budget's cycle; only for "cycle"
    quint64 received = 0;
    quint64 sent = 0;
};

// Counters in the OpenMetrics text format, ending with "# EOF".
QByteArray openMetricsExport(const QList<ExportRow> &rows);
// The same figures as CSV with a header line.
QByteArray csvExport(const QList<ExportRow> &rows);
