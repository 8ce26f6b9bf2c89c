// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dbussignalrecorder.h"

#include <QTest>

DBusSignalRecorder::DBusSignalRecorder(const QDBusConnection &bus, const QString &service,
                                       const QString &path, const QString &interface,
                                       const QString &name)
{
    QDBusConnection connection(bus);
    connection.connect(service, path, interface, name, this, SLOT(record(QDBusMessage)));
}

bool DBusSignalRecorder::waitForCount(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_messages.size() >= count; }, timeoutMs);
}

void DBusSignalRecorder::record(const QDBusMessage &message)
{
    m_messages.append(message);
}
