// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/flowperiod.h"

QDate flowPeriodFirstDay(FlowPeriod period, const QDate &today)
{
    switch (period) {
    case FlowPeriod::Today:
        return today;
    case FlowPeriod::Yesterday:
        return today.addDays(-1);
    case FlowPeriod::ThisMonth:
        return QDate(today.year(), today.month(), 1);
    case FlowPeriod::LastMonth:
        break;
    }
    const QDate lastMonth = today.addMonths(-1);
    return QDate(lastMonth.year(), lastMonth.month(), 1);
}
