// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/historyview.h"

QString HistoryView::rowDate(const WardenAppFlow &row) const
{
    if (daily()) // labelled MM-dd, within the first day's year
        return QString::number(firstDay.year()) + QLatin1Char('-') + row.date;
    return firstDay.toString(Qt::ISODate) + QLatin1Char('T') + row.date;
}

QString HistoryView::rowLabel(const WardenAppFlow &row) const
{
    return daily() ? QString::number(row.date.right(2).toInt()) : row.date.left(2);
}

double HistoryView::sum(double WardenAppFlow::*figure) const
{
    double sum = 0;
    for (const WardenAppFlow &row : rows)
        sum += row.*figure;
    return sum;
}
