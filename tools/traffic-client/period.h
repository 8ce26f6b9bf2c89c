#pragma once

#include <QString>
#include <QStringList>

// The four periods the service keeps history for, as the command line names them.
enum class Period { Today, Yesterday, ThisMonth, LastMonth };

QStringList periodNames();
// False when `name` is none of periodNames().
bool periodFromName(const QString &name, Period *period);
QString periodName(Period period);
