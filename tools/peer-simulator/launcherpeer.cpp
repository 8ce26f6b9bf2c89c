// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcherpeer.h"

#include "launcheradaptor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDebug>
#include <QTimer>

LauncherPeer::LauncherPeer(const LauncherItemInfoList &items, bool failing, QObject *parent)
    : QObject(parent), m_items(items), m_failing(failing)
{
    new LauncherAdaptor(this);
}

void LauncherPeer::setItems(const LauncherItemInfoList &items)
{
    m_items = items;
    qInfo().noquote() << "launcher: now lists" << items.size() << "applications";
}

void LauncherPeer::setFailing(bool failing)
{
    m_failing = failing;
    qInfo().noquote() << "launcher:" << (failing ? "failing" : "answering");
}

void LauncherPeer::setDelay(int milliseconds)
{
    m_delayMs = milliseconds;
    qInfo().noquote() << "launcher: answers" << milliseconds << "ms late";
}

LauncherItemInfoList LauncherPeer::GetAllItemInfos()
{
    if (m_delayMs > 0) {
        setDelayedReply(true);
        const QDBusMessage reply =
            m_failing
                ? message().createErrorReply(QDBusError::Failed,
                                             QStringLiteral("The launcher cannot list items now"))
                : message().createReply(QVariant::fromValue(m_items));
        QDBusConnection bus = connection();
        QTimer::singleShot(m_delayMs, this, [bus, reply]() mutable { bus.send(reply); });
        qInfo().noquote() << "launcher: GetAllItemInfos will answer in" << m_delayMs << "ms";
        return {};
    }
    if (m_failing) {
        qInfo().noquote() << "launcher: GetAllItemInfos refused";
        sendErrorReply(QDBusError::Failed, QStringLiteral("The launcher cannot list items now"));
        return {};
    }
    qInfo().noquote() << "launcher: GetAllItemInfos answered with" << m_items.size() << "items";
    return m_items;
}
