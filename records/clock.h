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
