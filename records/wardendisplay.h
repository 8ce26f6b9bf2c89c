// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

// One row of the speed or flow list the service sends every second.
struct WardenDisplay
{
    QString appName;
    QString icon;
    QString desktopPath;
    QString recvText;
    QString sendText;
    QString totalText;
    QString desktopName;
    double sendSum = 0;
    double recvSum = 0;
    double extraSum = 0;
    int pid = 0;
    bool isDefault = false;

    bool operator!=(const WardenDisplay &other) const;
};

using WardenDisplayList = QList<WardenDisplay>;

QDBusArgument &operator<<(QDBusArgument &argument, const WardenDisplay &display);
const QDBusArgument &operator>>(const QDBusArgument &argument, WardenDisplay &display);

void registerWardenDisplayMetaType();

Q_DECLARE_METATYPE(WardenDisplay)
Q_DECLARE_METATYPE(WardenDisplayList)
