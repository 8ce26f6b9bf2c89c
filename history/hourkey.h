// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The hour key "yyyy/MM/dd/hh" stamps every row; fixed width, so text order is time order.
namespace HourKey {
QString of(const QDateTime &moment);
QString of(const QDate &day, int hour);
// The exclusive bounds of a day's 24 keys: hour 23 of the day before, hour 00 of the day after.
QString dayLowerBound(const QDate &day);
QString dayUpperBound(const QDate &day);
// Rows keyed below this bound are older than the current and the two previous months.
QString retentionBound(const QDate &today);
} // namespace HourKey
