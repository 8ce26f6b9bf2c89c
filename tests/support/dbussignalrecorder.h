// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>

// Records every D-Bus signal of one interface member as a client sees it.
class DBusSignalRecorder : public QObject
{
    Q_OBJECT
public:
    DBusSignalRecorder(const QDBusConnection &bus, const QString &service, const QString &path,
                       const QString &interface, const QString &name);

    const QList<QDBusMessage> &messages() const { return m_messages; }
    int count() const { return m_messages.size(); }
    void clear() { m_messages.clear(); }
    // Runs the event loop until at least `count` signals arrived.
    bool waitForCount(int count, int timeoutMs = 5000);

private slots:
    void record(const QDBusMessage &message);

private:
    QList<QDBusMessage> m_messages;
};
