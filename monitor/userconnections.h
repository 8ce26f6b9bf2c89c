// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QStringList>

// The bus connections and the Unix user behind each, kept up to date from the bus daemon,
// so that one user's figures reach only that user's connections.
class UserConnections : public QObject
{
    Q_OBJECT
public:
    explicit UserConnections(const QDBusConnection &bus, QObject *parent = nullptr);

    QStringList connectionsOf(quint32 uid) const;

private slots:
    void onOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    void resolve(const QString &uniqueName);

    QDBusConnection m_bus;
    QHash<QString, quint32> m_uidByConnection;
};
