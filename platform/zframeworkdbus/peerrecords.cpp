// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "peerrecords.h"

#include <QDBusMetaType>

bool WardenProcessInfo::operator==(const WardenProcessInfo &other) const
{
    return pid == other.pid && procName == other.procName && desktopPath == other.desktopPath;
}

bool LauncherItemInfo::operator==(const LauncherItemInfo &other) const
{
    return desktopPath == other.desktopPath && appName == other.appName &&
           extraText == other.extraText && icon == other.icon && number1 == other.number1 &&
           number2 == other.number2;
}

QDBusArgument &operator<<(QDBusArgument &argument, const WardenProcessInfo &info)
{
    argument.beginStructure();
    argument << info.pid << info.procName << info.desktopPath;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WardenProcessInfo &info)
{
    argument.beginStructure();
    argument >> info.pid >> info.procName >> info.desktopPath;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const LauncherItemInfo &item)
{
    argument.beginStructure();
    argument << item.desktopPath << item.appName << item.extraText << item.icon << item.number1
             << item.number2;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, LauncherItemInfo &item)
{
    argument.beginStructure();
    argument >> item.desktopPath >> item.appName >> item.extraText >> item.icon >> item.number1 >>
        item.number2;
    argument.endStructure();
    return argument;
}

static bool registerOnce()
{
    qRegisterMetaType<WardenProcessInfo>("WardenProcessInfo");
    qDBusRegisterMetaType<WardenProcessInfo>();
    qRegisterMetaType<WardenProcessInfoList>("WardenProcessInfoList");
    qDBusRegisterMetaType<WardenProcessInfoList>();
    qRegisterMetaType<WardenProcessList>("WardenProcessList");
    qDBusRegisterMetaType<WardenProcessList>();
    qRegisterMetaType<LauncherItemInfo>("LauncherItemInfo");
    qDBusRegisterMetaType<LauncherItemInfo>();
    qRegisterMetaType<LauncherItemInfoList>("LauncherItemInfoList");
    qDBusRegisterMetaType<LauncherItemInfoList>();
    return true;
}

bool registerPeerMetaTypes()
{
    static const bool registered = registerOnce();
    return registered;
}
