#include "period.h"

#include <array>
#include <utility>

namespace {
const std::array<std::pair<Period, const char *>, 4> kNames{{
    {Period::Today, "today"},
    {Period::Yesterday, "yesterday"},
    {Period::ThisMonth, "month"},
    {Period::LastMonth, "last-month"},
}};
} // namespace

QStringList periodNames()
{
    QStringList names;
    for (const auto &entry : kNames)
        names << QLatin1String(entry.second);
    return names;
}

bool periodFromName(const QString &name, Period *period)
{
    for (const auto &entry : kNames) {
        if (name == QLatin1String(entry.second)) {
            *period = entry.first;
            return true;
        }
    }
    return false;
}

QString periodName(Period period)
{
    for (const auto &entry : kNames) {
        if (entry.first == period)
            return QLatin1String(entry.second);
    }
    return {};
}
