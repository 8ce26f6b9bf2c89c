// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

// An application the service knows from the launcher, as the queries interface lists it.
struct WardenApplication
{
    QString desktopId; // the desktop file's name, by which history is kept
    QString name;
    QString icon;
    QString desktopPath;
};

using WardenApplicationList = QList<WardenApplication>;

QDBusArgument &operator<<(QDBusArgument &argument, const WardenApplication &application);
const QDBusArgument &operator>>(const QDBusArgument &argument, WardenApplication &application);

void registerWardenApplicationMetaType();

Q_DECLARE_METATYPE(WardenApplication)
Q_DECLARE_METATYPE(WardenApplicationList)
