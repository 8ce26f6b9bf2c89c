// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

// One running process as the analysis service reports it.
struct WardenProcessInfo
{
    int pid = 0;
    QString procName;
    QString desktopPath;

    bool operator==(const WardenProcessInfo &other) const;
};

using WardenProcessInfoList = QList<WardenProcessInfo>;
using WardenProcessList = QList<int>;

// One installed application as the launcher daemon lists it.
struct LauncherItemInfo
{
    QString desktopPath;
    QString appName;
    QString extraText;
    QString icon;
    qint64 number1 = 0;
    qint64 number2 = 0;

    bool operator==(const LauncherItemInfo &other) const;
};

using LauncherItemInfoList = QList<LauncherItemInfo>;

QDBusArgument &operator<<(QDBusArgument &argument, const WardenProcessInfo &info);
const QDBusArgument &operator>>(const QDBusArgument &argument, WardenProcessInfo &info);
QDBusArgument &operator<<(QDBusArgument &argument, const LauncherItemInfo &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, LauncherItemInfo &item);

Q_DECLARE_METATYPE(WardenProcessInfo)
Q_DECLARE_METATYPE(WardenProcessInfoList)
Q_DECLARE_METATYPE(LauncherItemInfo)
Q_DECLARE_METATYPE(LauncherItemInfoList)

// Registers the records under their names with the meta-type system and QtDBus; idempotent.
bool registerPeerMetaTypes();

// Proxies and adaptors connect by these type names, so every file that includes this header,
// the generated ones too, registers them during static initialisation, before any connect.
[[maybe_unused]] static const bool peerMetaTypesRegistered = registerPeerMetaTypes();
