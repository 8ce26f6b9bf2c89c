// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "userconnections.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

UserConnections::UserConnections(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    m_bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                  QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                  SLOT(onOwnerChanged(QString, QString, QString)));
    const QStringList names = m_bus.interface()->registeredServiceNames().value();
    for (const QString &name : names) {
        if (name.startsWith(QLatin1Char(':')))
            resolve(name);
    }
}

QStringList UserConnections::connectionsOf(quint32 uid) const
{
    QStringList names;
    for (auto it = m_uidByConnection.cbegin(); it != m_uidByConnection.cend(); ++it) {
        if (it.value() == uid)
            names.append(it.key());
    }
    return names;
}

void UserConnections::resolve(const QString &uniqueName)
{
    if (uniqueName == m_bus.baseService())
        return;
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.interface()->asyncCall(QStringLiteral("GetConnectionUnixUser"), uniqueName), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, uniqueName](QDBusPendingCallWatcher *call) {
                const QDBusPendingReply<uint> reply = *call;
                // The daemon answers in order: a connection that left first gets an error here.
                if (reply.isValid())
                    m_uidByConnection.insert(uniqueName, reply.value());
                call->deleteLater();
            });
}

void UserConnections::onOwnerChanged(const QString &name, const QString &oldOwner,
                                     const QString &newOwner)
{
    if (!name.startsWith(QLatin1Char(':')))
        return;
    if (!oldOwner.isEmpty())
        m_uidByConnection.remove(name);
    if (!newOwner.isEmpty())
        resolve(name);
}
