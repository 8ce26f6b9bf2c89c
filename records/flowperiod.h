// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDate>

// The four periods history is kept and asked for; the values are the collector's period codes.
enum class FlowPeriod { Today = 0, Yesterday = 1, ThisMonth = 2, LastMonth = 3 };

// The first day the period covers when asked on `today`.
QDate flowPeriodFirstDay(FlowPeriod period, const QDate &today);
