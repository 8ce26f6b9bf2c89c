// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/wardenbudget.h"

#include <QDBusMetaType>

QDBusArgument &operator<<(QDBusArgument &argument, const WardenBudget &budget)
{
    argument.beginStructure();
    argument << budget.desktopId << budget.period << budget.limitBytes << budget.usedBytes
             << budget.warnPercent << budget.cycleStartDay << budget.cycleStart;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WardenBudget &budget)
{
    argument.beginStructure();
    argument >> budget.desktopId >> budget.period >> budget.limitBytes >> budget.usedBytes >>
        budget.warnPercent >> budget.cycleStartDay >> budget.cycleStart;
    argument.endStructure();
    return argument;
}

void registerWardenBudgetMetaType()
{
    qRegisterMetaType<WardenBudget>("WardenBudget");
    qDBusRegisterMetaType<WardenBudget>();
    qRegisterMetaType<WardenBudgetList>("WardenBudgetList");
    qDBusRegisterMetaType<WardenBudgetList>();
}
