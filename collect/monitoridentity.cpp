// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/monitoridentity.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>

namespace {
QString bootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll().trimmed());
}
} // namespace

QString monitorIdentity(const QString &uniqueName)
{
    if (uniqueName.isEmpty())
        return {};
    return bootId() + QLatin1Char(' ') + uniqueName;
}

QString currentMonitorIdentity(const QString &service)
{
    const QDBusConnectionInterface *bus = QDBusConnection::systemBus().interface();
    if (!bus)
        return {};
    return monitorIdentity(bus->serviceOwner(service).value());
}
