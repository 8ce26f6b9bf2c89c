// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/wardendisplay.h"

#include <QDBusMetaType>

bool WardenDisplay::operator!=(const WardenDisplay &other) const
{
    return appName != other.appName || icon != other.icon || desktopPath != other.desktopPath ||
           recvText != other.recvText || sendText != other.sendText ||
           totalText != other.totalText || desktopName != other.desktopName ||
           sendSum != other.sendSum || recvSum != other.recvSum || extraSum != other.extraSum ||
           pid != other.pid || isDefault != other.isDefault;
}

// Clients decode this wire order, which is not the member order.
QDBusArgument &operator<<(QDBusArgument &argument, const WardenDisplay &display)
{
    argument.beginStructure();
    argument << display.pid << display.icon << display.appName << display.desktopPath
             << display.isDefault << display.desktopName << display.totalText << display.sendText
             << display.recvText << display.sendSum << display.recvSum << display.extraSum;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WardenDisplay &display)
{
    argument.beginStructure();
    argument >> display.pid >> display.icon >> display.appName >> display.desktopPath >>
        display.isDefault >> display.desktopName >> display.totalText >> display.sendText >>
        display.recvText >> display.sendSum >> display.recvSum >> display.extraSum;
    argument.endStructure();
    return argument;
}

void registerWardenDisplayMetaType()
{
    qRegisterMetaType<WardenDisplayList>("WardenDisplayList");
    qDBusRegisterMetaType<WardenDisplayList>();
    qRegisterMetaType<WardenDisplay>("WardenDisplay");
    qDBusRegisterMetaType<WardenDisplay>();
}
