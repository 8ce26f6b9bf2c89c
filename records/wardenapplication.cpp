// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/wardenapplication.h"

#include <QDBusMetaType>

QDBusArgument &operator<<(QDBusArgument &argument, const WardenApplication &application)
{
    argument.beginStructure();
    argument << application.desktopId << application.name << application.icon
             << application.desktopPath;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WardenApplication &application)
{
    argument.beginStructure();
    argument >> application.desktopId >> application.name >> application.icon >>
        application.desktopPath;
    argument.endStructure();
    return argument;
}

void registerWardenApplicationMetaType()
{
    qRegisterMetaType<WardenApplication>("WardenApplication");
    qDBusRegisterMetaType<WardenApplication>();
    qRegisterMetaType<WardenApplicationList>("WardenApplicationList");
    qDBusRegisterMetaType<WardenApplicationList>();
}
