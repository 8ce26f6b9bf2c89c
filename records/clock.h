// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <functional>

// The local time every time-dependent rule reads. Tests replace it to run
// at any date; the service always reads the system clock.
namespace Clock {
QDateTime now();
void setNowSource(std::function<QDateTime()> source);
void resetNowSource();
} // namespace Clock
