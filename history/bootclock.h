// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <functional>

// Which boot the service runs in and how long that boot has run, suspend included: a change
// of the wall clock this clock did not see within one boot is a clock jump. Tests replace the
// source to run at any date.
namespace BootClock {

struct Reading
{
    // Empty when the system does not tell it.
    QString bootId;
    qint64 sinceBootMs = 0;
};

Reading now();
void setSource(std::function<Reading()> source);
void resetSource();

} // namespace BootClock
