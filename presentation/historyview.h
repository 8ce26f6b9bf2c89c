// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/wardenrecords.h"

#include <QDate>
#include <QString>

// One application's history as the client shows it.
struct HistoryView
{
    QString appname; // the desktop id the history is kept under
    QString name;    // the name people know it by
    QString period;  // as the queries interface names it: "today", "month", ...
    QDate firstDay;
    WardenAppFlowList rows;

    bool daily() const
    {
        return period == QLatin1String("month") || period == QLatin1String("last-month");
    }
    // The row's full date: 2026-12-07 for a day, 2026-12-07T09:00 for an hour.
    QString rowDate(const WardenAppFlow &row) const;
    // The row's short label on a chart axis: the hour, or the day of the month.
    QString rowLabel(const WardenAppFlow &row) const;
    // The sum of one figure over the rows, e.g. sum(&WardenAppFlow::total).
    double sum(double WardenAppFlow::*figure) const;
};
